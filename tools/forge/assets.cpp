// The table of every file the forge writes, with the size and depth the show reads it at.
#include "tools/forge/forge.h"

Bytes SaveTga(const Image& im, TgaPixels pixels, bool rle, bool bottomFirst, const char* id) {
  TgaLayout layout;
  layout.pixels = pixels;
  layout.rle = rle;
  layout.bottomFirst = bottomFirst;
  layout.id = id;
  return EncodeTga(im, layout);
}

const std::vector<Asset>& Assets() {
  static const std::vector<Asset> table = {
      {"loading.tga", "tga", 320, 200, 24, MakeLoading},
      {"logotarvon.tga", "tga", 320, 200, 24, MakeLogoTarvon},
      {"phongfond.tga", "tga", 320, 200, 24, MakePhongFond},
      {"multifond.tga", "tga", 320, 200, 24, MakeMultiFond},
      {"quenpic.tga", "tga", 320, 200, 24, MakeQuenPic},
      {"metafond.tga", "tga", 320, 200, 24, MakeMetaFond},
      {"cheesefond.tga", "tga", 320, 200, 24, MakeCheeseFond},
      {"foreground3.tga", "tga", 320, 200, 24, MakeForeground3},
      {"fond.tga", "tga", 320, 200, 24, MakeFond},
      {"fonctions.tga", "tga", 276, 198, 32, MakeFonctions},
      {"noms.tga", "tga", 200, 432, 32, MakeNoms},
      {"checkfun.tga", "tga", 256, 256, 24, MakeCheckfun},
      {"zelt2.tga", "tga", 256, 256, 24, MakeZelt2},
      {"texphong2.tga", "tga", 256, 256, 24, MakeTexPhong2},
      {"specu.tga", "tga", 256, 256, 24, MakeSpecu},
      {"phong3.tga", "tga", 256, 256, 24, MakePhong3},
      {"phong_w.tga", "tga", 256, 256, 24, MakePhongW},
      {"texture2.tga", "tga", 256, 256, 24, MakeTexture2},
      {"metatex.tga", "tga", 256, 256, 24, MakeMetaTex},
      {"credit.tga", "tga", 256, 256, 24, MakeCreditTga},
      {"spec.tga", "tga", 256, 256, 24, MakeSpec},
      {"sandblur.tga", "tga", 256, 256, 24, MakeSandBlur},
      {"blur2.tga", "tga", 256, 256, 24, MakeBlur2},
      {"logoqvx.tga", "tga", 256, 256, 24, MakeLogoQvx},
      {"speculaire.tga", "tga", 256, 256, 8, MakeSpeculaire},
      {"lefond.tga", "tga", 320, 200, 8, MakeLeFond},
      {"wave2.tga", "tga", 320, 200, 8, MakeWave2},
      {"night_ciel.tga", "tga", 640, 200, 24, MakeNightCiel},
      {"night_s.tga", "tga", 640, 200, 24, MakeNightS},
      {"meteor4.3dm", "3dm", 0, 0, 0, MakeMeteor},
      {"obj4.3dm", "3dm", 0, 0, 0, MakeObj4},
      {"credit.3dm", "3dm", 0, 0, 0, MakeCreditObject},
      {"checker.spl", "spl", 0, 0, 0, MakeCheckerPath},
      {"credcheck.spl", "spl", 0, 0, 0, MakeCredCheckPath},
      {"music.spl", "spl", 0, 0, 0, MakeMusicPath},
      {"design.spl", "spl", 0, 0, 0, MakeDesignPath},
      {"coder.spl", "spl", 0, 0, 0, MakeCoderPath},
      {"nom.spl", "spl", 0, 0, 0, MakeNomPath},
      {"logoqvx.spl", "spl", 0, 0, 0, MakeLogoQvxPath},
  };
  return table;
}
