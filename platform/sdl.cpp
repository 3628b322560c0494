// The SDL2 presenter and message box.
//
// Frames go into a streaming texture of the frame's size and are shown scaled to the 4:3 shape of
// a monitor of the time (320 x 200 becomes 320 x 240), letterboxed, nearest-neighbour: desktop full
// screen by default, or a window of scale x that size. Typed characters come from SDL text input,
// so the keypad's operators arrive as "*", "+", "-", "/". Alt+Enter toggles full screen, F12 writes
// a PNG screenshot of the last frame under the next free name (never over an earlier one), Escape
// and closing the window ask the show to end.
#include <SDL.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/backends.h"

namespace {

struct SdlState {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int32_t width = 0, height = 0;
  std::vector<uint16_t> frame;
  bool fullScreen = false;
};

SdlState sdl;

void SdlClose();

bool SdlOpen(int32_t width, int32_t height, bool fullScreen, const char* title) {
  SdlClose();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    fprintf(stderr, "tarvon3: SDL could not start its video: %s\n", SDL_GetError());
    return false;
  }
  sdl.fullScreen = fullScreen && !PlatWindowForced();
  const int32_t windowScale = PlatWindowScale();
  const int32_t shownHeight = height * 6 / 5;   // the 4:3 shape of a 320 x 200 mode on a monitor
  Uint32 flags = SDL_WINDOW_RESIZABLE | (sdl.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  sdl.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width * windowScale,
                                shownHeight * windowScale, flags);
  if (!sdl.window) {
    fprintf(stderr, "tarvon3: SDL could not open a window: %s\n", SDL_GetError());
    SdlClose();
    return false;
  }
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!sdl.renderer) sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
  if (sdl.renderer) {
    SDL_RenderSetLogicalSize(sdl.renderer, width, shownHeight);
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, width, height);
  }
  if (!sdl.texture) {
    fprintf(stderr, "tarvon3: SDL could not make a %dx%d surface: %s\n", width, height, SDL_GetError());
    SdlClose();
    return false;
  }
  sdl.width = width;
  sdl.height = height;
  sdl.frame.assign(size_t(width) * size_t(height), 0);
  SDL_ShowCursor(SDL_DISABLE);
  SDL_StartTextInput();
  return true;
}

PlatDisplayFormat SdlFormat() { return {0xF800, 0x07E0, 0x001F}; }

PlatResult SdlLock(void** pixels, int32_t* pitch) {
  if (!sdl.texture) return PLAT_FAILED;
  *pixels = sdl.frame.data();
  *pitch = sdl.width * 2;
  return PLAT_OK;
}

PlatResult SdlUnlock() { return sdl.texture ? PLAT_OK : PLAT_FAILED; }

PlatResult SdlPresent() {
  if (!sdl.texture) return PLAT_FAILED;
  if (SDL_UpdateTexture(sdl.texture, nullptr, sdl.frame.data(), sdl.width * 2) != 0) return PLAT_LOST;
  SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
  SDL_RenderClear(sdl.renderer);
  SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, nullptr);
  SDL_RenderPresent(sdl.renderer);
  return PLAT_OK;
}

void SdlRestore() {}

void SdlPump() {
  if (!sdl.window) return;
  const PlatEventSink& sink = PlatGetEventSink();
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_QUIT) {
      sink.closeRequested();
    } else if (e.type == SDL_TEXTINPUT) {
      for (const char* c = e.text.text; *c; c++)
        if (uint8_t(*c) < 128) sink.typed(uint8_t(*c));   // the demo's keys are all plain ASCII
    } else if (e.type == SDL_KEYDOWN && !e.key.repeat) {
      const SDL_Keycode k = e.key.keysym.sym;
      if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT)) {
        sdl.fullScreen = !sdl.fullScreen;
        SDL_SetWindowFullscreen(sdl.window, sdl.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
      } else if (k == SDLK_F12) {
        PlatWriteScreenshot(sdl.frame.data(), sdl.width, sdl.height);
      } else if (k == SDLK_ESCAPE) {
        sink.closeRequested();
      }
    }
  }
}

void SdlClose() {
  if (sdl.texture) SDL_DestroyTexture(sdl.texture);
  if (sdl.renderer) SDL_DestroyRenderer(sdl.renderer);
  if (sdl.window) {
    SDL_StopTextInput();
    SDL_DestroyWindow(sdl.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  sdl.texture = nullptr;
  sdl.renderer = nullptr;
  sdl.window = nullptr;
}

}  // namespace

const PlatPresenter PlatSdlPresenter = {"sdl", SdlOpen, SdlFormat, SdlLock, SdlUnlock, SdlPresent, SdlRestore,
                                        SdlPump, SdlClose};

void PlatMessageBox(const char* title, const char* text) {
  fprintf(stderr, "%s: %s\n", title, text);
  if (PlatHasDisplay()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, sdl.window);
}
