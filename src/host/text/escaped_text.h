// Text echoed back to a user, in a message on a terminal or on the web page's
// message line: what the user typed is shown, but never as a command.
#pragma once

#include <string>
#include <string_view>

// `text` for a message: control characters written as C escapes ("\n",
// "\x1b"), and the backslash as "\\", so that an echoed value can neither
// break the line nor send the terminal a command; characters that show
// nothing or reorder the text (in UTF-8: C1 controls, zero-width characters,
// direction marks, embeddings, overrides and isolates, the byte-order mark,
// ...) as "\u200b", "\u202e", so that a value cannot hide or disguise
// itself. Other bytes stay as they are.
std::string EscapeControls(std::string_view text);
// The same in double quotes.
std::string Quoted(std::string_view text);
