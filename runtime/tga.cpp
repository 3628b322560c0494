// TGA pictures: the 18-byte header, an optional colour map of 24-bit entries, then the pixels
// stored as they are (types 1, 2, 3) or in run-length packets (9, 10, 11), unpacked into red,
// green, blue (alpha) order or palette indices. Every read stays inside the file: a file shorter
// than its header announces, packets past width x height and colour maps past entry 255 are
// refused with a message naming the picture, which LoadPicture makes its fatal line.
#include "runtime/picture.h"

#include <cstring>

#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "reader/reader.h"

namespace {

constexpr int32_t kHeaderSize = 18;

struct TgaHeader {
  uint8_t idLength;
  uint8_t colourMapType;
  uint8_t imageType;
  uint16_t mapFirst;
  uint16_t mapLength;
  uint8_t mapEntryBits;
  uint16_t width;
  uint16_t height;
  uint8_t depth;
  uint8_t descriptor;
};

TgaHeader ReadHeader(ByteReader& r) {
  TgaHeader h;
  h.idLength = r.U8();
  h.colourMapType = r.U8();
  h.imageType = r.U8();
  h.mapFirst = r.U16LE();
  h.mapLength = r.U16LE();
  h.mapEntryBits = r.U8();
  r.U16LE();   // x origin, not used
  r.U16LE();   // y origin, not used
  h.width = r.U16LE();
  h.height = r.U16LE();
  h.depth = r.U8();
  h.descriptor = r.U8();
  return h;
}

bool IsRunLength(uint8_t type) { return type == 9 || type == 10 || type == 11; }
bool IsKnownType(uint8_t type) { return (type >= 1 && type <= 3) || IsRunLength(type); }

bool Truncated(const char* name, Failure& why) {
  return why.Set("LoadPicture(%s): File shorter than its TGA header announces", name);
}

// Unpacks run-length packets into exactly pixels pixels of bpp bytes.
bool UnpackRuns(const char* name, ByteReader& r, uint8_t* out, int64_t pixels, int32_t bpp, Failure& why) {
  int64_t done = 0;
  while (done < pixels) {
    uint8_t head = r.U8();
    if (r.overrun) return Truncated(name, why);
    int64_t n = (head & 0x7F) + 1;
    if (n > pixels - done) return why.Set("LoadPicture(%s): Run-length packet runs past the end of the picture", name);
    uint8_t* at = out + done * bpp;
    if (head & 0x80) {
      if (!r.Has(size_t(bpp))) return Truncated(name, why);
      const uint8_t* value = r.Here();
      for (int64_t i = 0; i < n; i++) memcpy(at + i * bpp, value, size_t(bpp));
      r.Skip(size_t(bpp));
    } else {
      size_t bytes = size_t(n * bpp);
      if (!r.Has(bytes)) return Truncated(name, why);
      r.Bytes(at, bytes);
    }
    done += n;
  }
  return true;
}

void SwapRedBlue(uint8_t* data, int64_t pixels, int32_t bpp) {
  for (int64_t i = 0; i < pixels; i++) {
    uint8_t* p = data + i * bpp;
    uint8_t t = p[0];
    p[0] = p[2];
    p[2] = t;
  }
}

void ReverseRows(uint8_t* data, int32_t height, int32_t rowBytes) {
  uint8_t* row = static_cast<uint8_t*>(Nalloc(rowBytes, "loc"));
  for (int32_t r = 0; r < height / 2; r++) {
    uint8_t* a = data + int64_t(r) * rowBytes;
    uint8_t* b = data + int64_t(height - 1 - r) * rowBytes;
    memcpy(row, a, size_t(rowBytes));
    memcpy(a, b, size_t(rowBytes));
    memcpy(b, row, size_t(rowBytes));
  }
  Free(row);
}

}  // namespace

Picture* LoadPicture(const char* name) {
  if (!name) Fatal("LoadPicture(%s): Bad image name", "(null)");
  Info("LoadPicture(%s)", name);
  int32_t fileSize = 0;
  uint8_t* file = static_cast<uint8_t*>(LoadFileSized(name, nullptr, &fileSize));
  Picture* picture = nullptr;
  Failure why;
  // A refused picture ends the program with what was made of it still allocated (FreeAll reports it).
  if (!PictureFromMemory(name, file, fileSize, &picture, why)) Fatal("%s", why.text);
  UnloadFile(file);
  return picture;
}

bool PictureFromMemory(const char* name, const uint8_t* file, int32_t fileSize, Picture** out, Failure& why) {
  *out = nullptr;
  ByteReader r(file, fileSize > 0 ? size_t(fileSize) : 0);
  TgaHeader h = ReadHeader(r);
  if (r.overrun) return Truncated(name, why);
  r.pos = size_t(kHeaderSize) + h.idLength;

  Picture* picture = static_cast<Picture*>(Nalloc(int32_t(sizeof(Picture)), "Picture structure"));
  memset(picture, 0, sizeof(Picture));
  *out = picture;
  picture->width = h.width;
  picture->height = h.height;
  picture->depth = h.depth;
  picture->bytesPerPixel = (h.depth + 1) / 8;
  const int32_t bpp = picture->bytesPerPixel;
  if (bpp != 4 && bpp != 3 && bpp != 1)
    return why.Set("LoadPicture(%s): Couldn't load picture in %d bits", name, picture->depth);

  if (h.colourMapType) {
    if (h.mapEntryBits != 24)
      return why.Set("LoadPicture(%s): Couldn't load picture with  %d bits palette", name, h.mapEntryBits);
    if (int32_t(h.mapFirst) + h.mapLength > 256)
      return why.Set("LoadPicture(%s): Colour map runs past entry 255 (first %d, %d entries)", name, h.mapFirst,
                     h.mapLength);
    if (!r.Has(size_t(h.mapLength) * 3)) return Truncated(name, why);
    const uint8_t* map = r.Here();
    for (int32_t i = 0; i < h.mapLength; i++) {
      uint8_t* entry = picture->palette[h.mapFirst + i];
      entry[0] = map[3 * i + 2];
      entry[1] = map[3 * i + 1];
      entry[2] = map[3 * i + 0];
    }
    r.Skip(size_t(h.mapLength) * 3);
  }
  if (h.imageType == 3 || h.imageType == 11)
    for (int i = 0; i < 256; i++)
      picture->palette[i][0] = picture->palette[i][1] = picture->palette[i][2] = uint8_t(i);

  // The type and the size are judged before the pixel block is made, so that a damaged header
  // never asks for more memory than its file could fill.
  if (!IsKnownType(h.imageType)) return why.Set("Loadpicture(%s): Unknown TGA Type", name);
  const int64_t pixels = int64_t(h.width) * h.height;
  const int64_t bytes = pixels * bpp;
  if (bytes > 0x7FFFFFFF) return why.Set("LoadPicture(%s): Picture too large (%d x %d)", name, h.width, h.height);
  const int64_t left = int64_t(r.Left());
  if (IsRunLength(h.imageType) ? pixels > left * 128 : bytes > left) return Truncated(name, why);

  picture->data = static_cast<uint8_t*>(Nalloc(int32_t(bytes), name));
  if (IsRunLength(h.imageType)) {
    if (!UnpackRuns(name, r, picture->data, pixels, bpp, why)) return false;
  } else {
    r.Bytes(picture->data, size_t(bytes));
  }

  if (bpp == 3 || bpp == 4) SwapRedBlue(picture->data, pixels, bpp);
  if (h.descriptor & 0x0A) ReverseRows(picture->data, picture->height, picture->width * bpp);
  return true;
}

void UnloadPicture(Picture* picture) {
  Info("UnloadFile(%p)", static_cast<void*>(picture));
  if (!picture)
    Fatal("UnloadPicture(%p): Couldn't unload NULL pointed picture", static_cast<void*>(picture));
  if (!picture->data) {
    Error("UnloadPicture(): Picture->Data is <NULL>");
    Free(picture);
    return;
  }
  Free(picture->data);
  Free(picture);
}
