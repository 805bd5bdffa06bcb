#include "Glyphs.h"

#include <QString>

// Outside any namespace, as the resource initialiser needs.
static void InitGlyphResources() { Q_INIT_RESOURCE(glyphs); }

namespace veltaro {

namespace {

struct TGlyphFiles {
  const char* normal;
  const char* disabled;  // null: the toolkit greys the normal picture
};

TGlyphFiles FilesOf(TGlyph glyph) {
  switch (glyph) {
    case TGlyph::Help: return {"help", nullptr};
    case TGlyph::Smile: return {"smile", nullptr};
    case TGlyph::Calculator: return {"calculator", nullptr};
    case TGlyph::Eraser: return {"eraser", "eraser_disabled"};
    case TGlyph::Variables: return {"variables", nullptr};
    case TGlyph::Open: return {"open", nullptr};
    case TGlyph::Save: return {"save", nullptr};
    case TGlyph::Add: return {"add", nullptr};
    case TGlyph::Delete: return {"bin", "bin_disabled"};
    case TGlyph::Application: return {"application", nullptr};
  }
  return {"help", nullptr};
}

QString PathOf(const char* name) { return QStringLiteral(":/glyphs/") + QLatin1String(name) + QStringLiteral(".svg"); }

}  // namespace

QIcon GlyphIcon(TGlyph glyph) {
  static const bool initialised = (InitGlyphResources(), true);
  (void)initialised;
  const TGlyphFiles files = FilesOf(glyph);
  QIcon icon(PathOf(files.normal));
  if (files.disabled) icon.addFile(PathOf(files.disabled), QSize(), QIcon::Disabled);
  return icon;
}

}  // namespace veltaro
