// Numbers of the program's resources, shared by the resource script and the
// window.
#pragma once

// The program's icon comes first, so the system shows it for the file.
#define IDI_VELTARO 1
#define IDI_GLYPH_HELP 101
#define IDI_GLYPH_SMILE 102
#define IDI_GLYPH_CALCULATOR 103
#define IDI_GLYPH_ERASER 104
#define IDI_GLYPH_ERASER_DISABLED 105
#define IDI_GLYPH_VARIABLES 106
#define IDI_GLYPH_OPEN 107
#define IDI_GLYPH_SAVE 108
#define IDI_GLYPH_ADD 109
#define IDI_GLYPH_BIN 110
#define IDI_GLYPH_BIN_DISABLED 111
