// Makers of every data file. Each is a pure function of fixed seeds, so the
// output is the same on every run.
#pragma once

#include <string>
#include <vector>

#include "cloth.h"
#include "raster.h"
#include "writers.h"

namespace gen {

// Meshes.
MeshData makeTableMesh();
MeshData makeSphereMesh();
MeshData makeCupMesh();
MeshData makePizzaMesh();
MeshData makeBodyMesh();
MeshData makeAntennaMesh();
MeshData makeLegMesh(bool mirrored);  // false: reaches +x (leg1), true: -x (leg2)
MeshData makeSpotMesh();

// Textures.
Image makeEarth();
Image makeLinen();
Image makeClay();
Image makePizza();
Image makeBodySkin();
Image makeLimbSkin();
Image makeSpotSkin();
Image makeIcon(int size, const Image& earth);
Image makeFont(const std::string& fontPath);

// Game-over pictures.
Image makeWinPicture(const Image& earth);
Image makeLosePicture();
// A lit earth globe, shared by the icon and the win picture.
void drawGlobe(Image& img, const Image& earth, V2 centre, float radius, float spin);

// Sounds, as samples in -1..1 at kSampleRate.
constexpr int kSampleRate = 22050;
std::vector<float> makeBeep();
std::vector<float> makeBump();
std::vector<float> makeSqueakX();
std::vector<float> makeSqueakY();
std::vector<float> makeLaugh();
std::vector<float> makeSquash();

}  // namespace gen
