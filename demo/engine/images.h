// Image slots, sprites and credits: full-screen pictures and moving captions.
//
// 100 image slots hold pictures converted once, at load, to 5-6-5 with a drawing mode:
//   kDrawOpaque (0)  copied as they are
//   kDrawKeyed (1)   pixels equal to the slot's key are not drawn
//   kDrawAlpha (2)   premultiplied pixels plus an opacity byte each, blended over the frame
// 100 sprites cut rectangles out of the slots; sprite n moves along spline slot n of SpriteSplines
// (its values 0 and 1 are the screen x and y of the rectangle's top-left corner, at parameter
// progress * 200).
//
// The timeline routines (demo/tarvon3/routines.h) read their words as in the timeline's rows:
//   LoadImage "slot file mode value"     value: the key (mode 1) or the opacity of pictures
//                                        without alpha (mode 2)
//   AddSprite "sprite image srcX srcY width height path loopStart"
//   DrawSprite "sprite"   ShowImage "slot"   ShowImageCentered "slot"   FreeImages
// The work itself is done by the procedures below on any FrameTarget, so that tests and other
// modules can use them without the frame buffer or data files.
//
// Refusals: slot >= 100 is fatal "LoadImage(): too many images"; sprite >= 100 fatal
// "AddSprite(): not enough empty sprite"; spline limits are those of LoadSpline (so sprites 50-99
// cannot be given a path). A negative number at load is an error line and nothing is done.
// Drawing never reads outside a slot's picture: an empty slot, a bad number, a picture smaller
// than the screen or a rectangle outside its image draws only what lies inside and logs one
// warning for that slot or sprite. Loading a slot again replaces (and releases) its old picture.
//
//   char* words[] = {(char*)"0", (char*)"loading.tga", (char*)"0", (char*)"0", nullptr};
//   LoadImage(0.0f, 4, words);                  // slot 0, opaque
//   ShowImageOn(ScreenTarget(), 0);             // what ShowImage "0" does
#pragma once
#include <cstdint>

#include "demo/engine/frame.h"
#include "demo/engine/spline.h"
#include "runtime/picture.h"

enum DrawMode : int32_t { kDrawOpaque = 0, kDrawKeyed = 1, kDrawAlpha = 2 };

constexpr int32_t kImageSlots = 100;
constexpr int32_t kSprites = 100;

struct ImageSlot {
  int32_t mode;          // DrawMode
  int32_t width;         // row stride of pixels and alpha
  int32_t key;           // mode 1: the transparent colour
  uint16_t* pixels;      // width x height, 5-6-5, "SpritePic"
  uint8_t* alpha;        // mode 2: width x height opacities, "SpriteAlpha"; null otherwise
  int32_t height;        // rows of pixels, for the bounds of drawing
};

struct Sprite {
  int32_t image;         // image slot
  int32_t srcX, srcY;    // top-left corner inside the image
  int32_t width, height;
  int32_t loopStart;     // EvalSpline's loopStart
  int32_t defined;       // set once the sprite's path is loaded
};

extern ImageSlot ImageSlots[kImageSlots];
extern Sprite Sprites[kSprites];
extern SplineStore SpriteSplines;

// Converts picture into slot with the given mode; value as LoadImage's fourth word. Releases the
// slot's previous buffers. Returns false (after an error line) for a negative slot.
bool StoreImage(int32_t slot, const Picture& picture, int32_t mode, int32_t value);

// Defines the sprite's rectangle and loop start (the path is loaded separately, into
// SpriteSplines slot n). Returns false (after an error line) for a negative number.
bool DefineSprite(int32_t n, int32_t image, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                  int32_t loopStart);

// Drawing on a target.
void ShowImageOn(const FrameTarget& target, int32_t slot);
void ShowImageCenteredOn(const FrameTarget& target, int32_t slot);
void DrawSpriteOn(const FrameTarget& target, int32_t n, float progress);
// Draws sprite n's image at the sprite's position (x, y) after clipping to the target: the sprite
// primitives, one per mode, each taking the clipped rectangle (w x h at screen x, y; source sx, sy).
void DrawOpaque(const FrameTarget& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                int32_t n);
void DrawKeyed(const FrameTarget& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
               int32_t n);
void DrawAlpha(const FrameTarget& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
               int32_t n);

// Releases every slot's buffers (the slots become empty).
void ReleaseImages();
// Forgets which slots and sprites have had their one warning (tests).
void ResetImageWarnings();
