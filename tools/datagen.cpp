// tabletumble-datagen OUTDIR [FONT]: writes every data file the game loads
// (meshes, textures, sounds) and the window icon into OUTDIR. The output is
// a pure function of the program and the font: byte-identical on every run.
#include <filesystem>
#include <system_error>

#include "art.h"

int main(int argc, char** argv) {
  using namespace gen;
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTDIR [FONT.ttf]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const std::string font =
      argc == 3 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) fail("cannot create " + out.string() + ": " + ec.message());
  auto path = [&out](const char* name) { return (out / name).string(); };

  write3ds(path("table.3ds"), makeTableMesh());
  write3ds(path("sphere.3ds"), makeSphereMesh());
  write3ds(path("cup.3ds"), makeCupMesh());
  write3ds(path("pizza.3ds"), makePizzaMesh());
  write3ds(path("body.3ds"), makeBodyMesh());
  write3ds(path("antenna.3ds"), makeAntennaMesh());
  write3ds(path("leg1.3ds"), makeLegMesh(false));
  write3ds(path("leg2.3ds"), makeLegMesh(true));
  write3ds(path("spot.3ds"), makeSpotMesh());

  const Image earth = makeEarth();
  writeBmp(path("earth.bmp"), earth);
  writeBmp(path("linen.bmp"), makeLinen());
  writeBmp(path("clay.bmp"), makeClay());
  writeBmp(path("pizza.bmp"), makePizza());
  writeBmp(path("b_skin.bmp"), makeBodySkin());
  writeBmp(path("l_skin.bmp"), makeLimbSkin());
  writeBmp(path("spot.bmp"), makeSpotSkin());
  writeBmp(path("font.bmp"), makeFont(font));
  writeBmp(path("win.bmp"), makeWinPicture(earth));
  writeBmp(path("lose.bmp"), makeLosePicture());
  const Image icon48 = makeIcon(48, earth), icon128 = makeIcon(128, earth);
  writeBmp(path("icon.bmp"), icon48);
  writeIco(path("icon.ico"), icon48);
  writeBmp(path("icon128.bmp"), icon128);
  writePng(path("icon-48.png"), icon48);
  writePng(path("icon-128.png"), icon128);
  // The browser's app icons, for its manifest (not among the game's files).
  writePng(path("icon-192.png"), makeIcon(192, earth), true);
  writePng(path("icon-512.png"), makeIcon(512, earth), true);

  writeWav(path("squash.wav"), makeSquash(), kSampleRate);
  writeWav(path("beep.wav"), makeBeep(), kSampleRate);
  writeWav(path("bump.wav"), makeBump(), kSampleRate);
  writeWav(path("squeakx.wav"), makeSqueakX(), kSampleRate);
  writeWav(path("squeaky.wav"), makeSqueakY(), kSampleRate);
  writeWav(path("laugh.wav"), makeLaugh(), kSampleRate);
  return 0;
}
