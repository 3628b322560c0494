// FreeType glyph rendering into coverage planes.
#include "tools/forge/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>

namespace {

struct FontCache {
  FT_Library library = nullptr;
  std::map<std::string, FT_Face> faces;
  bool failed = false;
};

FontCache& Cache() {
  static FontCache cache;
  if (!cache.library && FT_Init_FreeType(&cache.library) != 0) cache.failed = true;
  return cache;
}

FT_Face Face(const char* font, int32_t pixelSize) {
  FontCache& c = Cache();
  if (!c.library) return nullptr;
  auto it = c.faces.find(font);
  if (it == c.faces.end()) {
    std::string path = std::string(FORGE_FONT_DIR) + "/" + font;
    FT_Face face = nullptr;
    if (FT_New_Face(c.library, path.c_str(), 0, &face) != 0) {
      c.failed = true;
      return nullptr;
    }
    it = c.faces.emplace(font, face).first;
  }
  FT_Set_Pixel_Sizes(it->second, 0, FT_UInt(pixelSize));
  return it->second;
}

// Walks the glyphs of the text; for each calls visit(bitmap, left, top) at pen position x.
template <typename Visit>
float Walk(const char* font, int32_t pixelSize, const std::string& text, float tracking, Visit visit) {
  FT_Face face = Face(font, pixelSize);
  if (!face) return 0;
  float pen = 0;
  FT_UInt previous = 0;
  for (unsigned char ch : text) {
    FT_UInt glyph = FT_Get_Char_Index(face, ch);
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector k;
      FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &k);
      pen += float(k.x) / 64.0f;
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) continue;
    visit(face->glyph, pen);
    pen += float(face->glyph->advance.x) / 64.0f + tracking;
    previous = glyph;
  }
  return pen - tracking;
}

}  // namespace

float MeasureText(const char* font, int32_t pixelSize, const std::string& text, float tracking) {
  return Walk(font, pixelSize, text, tracking, [](FT_GlyphSlot, float) {});
}

void DrawText(std::vector<float>& cov, int32_t width, int32_t height, const char* font, int32_t pixelSize, float x,
              float y, const std::string& text, float tracking) {
  Walk(font, pixelSize, text, tracking, [&](FT_GlyphSlot g, float pen) {
    const FT_Bitmap& bm = g->bitmap;
    const int32_t left = int32_t(std::lround(x + pen)) + g->bitmap_left;
    const int32_t top = int32_t(std::lround(y)) - g->bitmap_top;
    for (uint32_t r = 0; r < bm.rows; ++r)
      for (uint32_t c = 0; c < bm.width; ++c) {
        int32_t px = left + int32_t(c), py = top + int32_t(r);
        if (px < 0 || py < 0 || px >= width || py >= height) continue;
        float v = float(bm.buffer[r * uint32_t(bm.pitch) + c]) / 255.0f;
        float& d = cov[size_t(py) * width + px];
        d = std::min(1.0f, d + v);
      }
  });
}

bool TextFailed() { return Cache().failed; }
