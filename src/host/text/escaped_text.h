// Text echoed back to a user, in a message on a terminal or on the web page's
// message line: what the user typed is shown, but never as a command.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// `text` for a message: control characters written as C escapes ("\n",
// "\x1b"), and the backslash as "\\", so that an echoed value can neither
// break the line nor send the terminal a command; characters that show
// nothing or reorder the text (in UTF-8: C1 controls, zero-width characters,
// direction marks, embeddings, overrides and isolates, the byte-order mark,
// ...) as "\u200b", "\u202e", so that a value cannot hide or disguise
// itself; and every byte that is not part of a well-formed UTF-8 sequence
// as "\x9b", since a terminal not in UTF-8 mode takes a lone 0x80 to 0x9f
// as a C1 control. Well-formed visible characters stay as they are.
std::string EscapeControls(std::string_view text);
// The same in double quotes.
std::string Quoted(std::string_view text);

// The length of the longest start of `text` of at most `most` bytes that ends
// between characters: a well-formed UTF-8 sequence is never cut in two (a
// byte outside one counts as a character of its own).
std::size_t CharacterCut(std::string_view text, std::size_t most);
