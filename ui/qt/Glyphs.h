// The button glyphs and the window icon, drawn as scalable pictures so they
// stay sharp at any screen resolution.
#pragma once

#include <QIcon>

namespace veltaro {

enum class TGlyph { Help, Smile, Calculator, Eraser, Variables, Open, Save, Add, Delete, Application };

QIcon GlyphIcon(TGlyph glyph);

}  // namespace veltaro
