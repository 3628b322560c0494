// Every routine the timeline calls, by the module that builds it. Each is an EffectRoutine:
// (progress 0..1 over the row's window, 0 for a row that runs once; the row's words).
#pragma once
#include <cstdint>

// A routine takes what it needs of its arguments: many ignore the progress or the words.
#define TARVON_ROUTINE(name) \
  void name([[maybe_unused]] float progress, [[maybe_unused]] int32_t argc, [[maybe_unused]] char** argv)

// The four small routines of the timeline itself.
TARVON_ROUTINE(ClearScreen);
TARVON_ROUTINE(ShowFrameNow);
TARVON_ROUTINE(RestartClock);
TARVON_ROUTINE(StartMusic);

// Image slots, sprites and credits.
TARVON_ROUTINE(LoadImage);
TARVON_ROUTINE(ShowImage);
TARVON_ROUTINE(AddSprite);
TARVON_ROUTINE(DrawSprite);
TARVON_ROUTINE(ShowImageCentered);
TARVON_ROUTINE(FreeImages);

// The effects.
TARVON_ROUTINE(InitLight);
TARVON_ROUTINE(DrawLight);
TARVON_ROUTINE(BlurScreen);
TARVON_ROUTINE(FreeLight);
TARVON_ROUTINE(InitChecker);
TARVON_ROUTINE(DrawChecker);
TARVON_ROUTINE(DrawCreditPlate);
TARVON_ROUTINE(FreeChecker);
TARVON_ROUTINE(Cheese);
TARVON_ROUTINE(DrawCheese);
TARVON_ROUTINE(FreeCheese);
TARVON_ROUTINE(InitDeform);
TARVON_ROUTINE(DrawDeform);
TARVON_ROUTINE(FreeDeform);
TARVON_ROUTINE(InitMeta);
TARVON_ROUTINE(DrawMeta);
TARVON_ROUTINE(FreeMeta);
TARVON_ROUTINE(Transition);
TARVON_ROUTINE(multi);
TARVON_ROUTINE(DrawMulti);
TARVON_ROUTINE(FreeMulti);
TARVON_ROUTINE(Phong);
TARVON_ROUTINE(DrawPhong);
TARVON_ROUTINE(FreePhong);
TARVON_ROUTINE(InitSable);
TARVON_ROUTINE(DrawSable);
TARVON_ROUTINE(FreeSable);
TARVON_ROUTINE(InitTransPic);
TARVON_ROUTINE(DrawTransPic);
TARVON_ROUTINE(FreeTransPic);

// Effects that no row of the timeline calls; the effect viewer plays them.
TARVON_ROUTINE(Checkenv);
TARVON_ROUTINE(DrawCheckenv);
TARVON_ROUTINE(FreeCheckenv);
TARVON_ROUTINE(InitFond);
TARVON_ROUTINE(DrawFond);
TARVON_ROUTINE(FreeFond);
TARVON_ROUTINE(InitWave);
TARVON_ROUTINE(DrawWave);
TARVON_ROUTINE(FreeWave);
