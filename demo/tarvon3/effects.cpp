// The catalogue of effects, and the sequences of the two effects that no row of the show calls.
#include "demo/tarvon3/effects.h"

#include <cstdio>
#include <cstring>

#include "demo/tarvon3/routines.h"

namespace {

// The wave module's sequence, looping over 3000-20000 ms. Its releasing rows are left out: the
// viewer stops by a key, and the blocks still held are released with the rest at the end.
constexpr EffectEntry kWaveSequence[] = {
    {0, -1, InitFond, "fond.tga", 0},
    {0, -1, InitWave, "wave2.tga 1", 0},
    {3000, 20000, DrawFond, nullptr, 0},
    {3000, 20000, DrawWave, nullptr, 0},
};

// Checkenv's: the meteor over a cleared frame, looping over 1-10000 ms.
constexpr EffectEntry kCheckenvSequence[] = {
    {0, -1, Checkenv, nullptr, 0},
    {1, 10000, ClearScreen, nullptr, 0},
    {1, 10000, DrawCheckenv, nullptr, 0},
};

constexpr int32_t Rows(const auto& table) { return int32_t(sizeof(table) / sizeof(table[0])); }

}  // namespace

const CatalogueEffect kCatalogue[kCatalogueSize] = {
    {"checker", "the lattice meteor over the title picture", InitChecker, FreeChecker, 1, 11000, {DrawChecker},
     nullptr, 0},
    {"phong", "the Phong-shaded object", Phong, FreePhong, 10000, 30000, {DrawPhong}, nullptr, 0},
    {"sable", "the sand landscape flight", InitSable, FreeSable, 30000, 50000, {DrawSable}, nullptr, 0},
    {"multi", "the multi-textured meteor", multi, FreeMulti, 50000, 70000, {DrawMulti}, nullptr, 0},
    {"light", "the light over the height map, under the foreground frame", InitLight, FreeLight, 70000, 85000,
     {DrawLight, DrawTransPic}, nullptr, 0},
    {"transpic", "the foreground overlay alone", InitTransPic, FreeTransPic, 70000, 85000, {DrawTransPic}, nullptr,
     0},
    {"meta", "the metaballs with their smears", InitMeta, FreeMeta, 97000, 117000, {DrawMeta, BlurScreen}, nullptr,
     0},
    {"deform", "the lens deform with the credits", InitDeform, FreeDeform, 117000, 153000,
     {DrawDeform, DrawCreditPlate, DrawSprite, FreeChecker, InitChecker}, nullptr, 0},
    {"cheese", "the cheese meteor with the logo flying in", Cheese, FreeCheese, 153000, 181000,
     {DrawCheese, DrawSprite, BlurScreen}, nullptr, 0},
    {"logo", "the closing logo", nullptr, nullptr, 181000, 189000, {ShowImageCentered}, nullptr, 0},
    {"transition", "the change from Phong to the sand landscape", nullptr, nullptr, 28000, 32000,
     {DrawPhong, DrawSable, Transition}, nullptr, 0},
    {"wave", "the wave module: a picture wiped to black in the shape of its mask", InitWave, FreeWave, 3000, 20000,
     {}, kWaveSequence, Rows(kWaveSequence)},
    {"checkenv", "the environment-mapped meteor (needs conf.rc: MAP MASK)", Checkenv, FreeCheckenv, 1, 10000, {},
     kCheckenvSequence, Rows(kCheckenvSequence)},
};

const CatalogueEffect* FindEffect(const char* name) {
  for (const CatalogueEffect& e : kCatalogue)
    if (name && strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

void ListEffects() {
  for (const CatalogueEffect& e : kCatalogue) printf("  %-11s %s\n", e.name, e.about);
}
