// The catalogue of effects, and the sequences of the two effects that no row of the show calls.
#include "demo/tarvon3/effects.h"

#include <cstdio>
#include <cstring>

#include "demo/tarvon3/routines.h"

namespace {

// The wave module's sequence, looping over 3000-20000 ms. Its releasing rows are left out: the
// viewer stops by a key, and the blocks still held are released with the rest at the end.
constexpr EffectEntry kWaveSequence[] = {
    {0, -1, InitFond, "fond.tga"},
    {0, -1, InitWave, "wave2.tga 1"},
    {3000, 20000, DrawFond, nullptr},
    {3000, 20000, DrawWave, nullptr},
};

// Checkenv's: the meteor over a cleared frame, looping over 1-10000 ms.
constexpr EffectEntry kCheckenvSequence[] = {
    {0, -1, Checkenv, nullptr},
    {1, 10000, ClearScreen, nullptr},
    {1, 10000, DrawCheckenv, nullptr},
};

constexpr CatalogueEffect kEffects[] = {
    {"checker", "the lattice meteor over the title picture", InitChecker, FreeChecker, {DrawChecker}, {}},
    {"phong", "the Phong-shaded object", Phong, FreePhong, {DrawPhong}, {}},
    {"sable", "the sand landscape flight", InitSable, FreeSable, {DrawSable}, {}},
    {"multi", "the multi-textured meteor", multi, FreeMulti, {DrawMulti}, {}},
    {"light", "the light over the height map, under the foreground frame", InitLight, FreeLight,
     {DrawLight, DrawTransPic}, {}},
    {"transpic", "the foreground overlay alone", InitTransPic, FreeTransPic, {DrawTransPic}, {}},
    {"meta", "the metaballs with their smears", InitMeta, FreeMeta, {DrawMeta, BlurScreen}, {}},
    {"deform", "the lens deform with the credits", InitDeform, FreeDeform,
     {DrawDeform, DrawCreditPlate, DrawSprite, FreeChecker, InitChecker}, {}},
    {"cheese", "the cheese meteor with the logo flying in", Cheese, FreeCheese, {DrawCheese, DrawSprite, BlurScreen},
     {}},
    {"logo", "the closing logo", nullptr, nullptr, {ShowImageCentered}, {}},
    {"transition", "the change from Phong to the sand landscape", nullptr, nullptr,
     {Transition, DrawPhong, DrawSable}, {}},
    {"wave", "the wave module: a picture wiped to black in the shape of its mask", InitWave, FreeWave, {DrawWave},
     kWaveSequence},
    {"checkenv", "the environment-mapped meteor (needs conf.rc: MAP MASK)", Checkenv, FreeCheckenv,
     {DrawCheckenv}, kCheckenvSequence},
};

}  // namespace

const std::span<const CatalogueEffect> kCatalogue = kEffects;

const CatalogueEffect* FindEffect(const char* name) {
  for (const CatalogueEffect& e : kCatalogue)
    if (name && strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

void ListEffects() {
  for (const CatalogueEffect& e : kCatalogue) printf("  %-11s %s\n", e.name, e.about);
}

TimelineLoop EffectWindow(const CatalogueEffect& effect) {
  const std::span<const EffectEntry> rows = effect.ownRows.empty() ? Timeline : effect.ownRows;
  TimelineLoop window = {0, 0};
  for (const EffectEntry& row : rows) {
    if (row.routine != effect.rows[0] || row.end == -1) continue;
    if (window.end == 0)
      window = {row.start, row.end};
    else if (row.start == window.end)
      window.end = row.end;
  }
  return window;
}
