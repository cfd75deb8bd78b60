// Identifiers of the saver's resources, shared by the resource script and the
// code that loads them. Plain macros: the resource compiler reads this file too.
#pragma once

// The description Windows' screen-saver settings list shows for the file.
#define QUILLMOOR_DESCRIPTION_STRING 1
// The saver's icon, under the number Windows' screen-saver library gives it.
#define QUILLMOOR_ICON 100
