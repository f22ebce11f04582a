#include "model/format_catalogue.h"

namespace lanternix {

namespace {

constexpr IconKind kOwn = IconKind::OwnIcon;
constexpr IconKind kViewer = IconKind::ViewerIcon0;
constexpr IconKind kVideo = IconKind::VideoIcon9;
constexpr IconKind kAudio = IconKind::AudioIcon8;

}  // namespace

// The position in the trailing comment is the row's identity: the associations page, the
// "/assoc=" fills and the association pass all address formats by it.
// clang-format off
constexpr std::array<FormatRow, kFormatRowCount> FormatCatalogue = {{
    {L"ANI", L"Animated Windows Cursors *", {{{L"ani", L"ani"}}}, kOwn, true},  // 0
    {L"B3D", L"BodyPaint 3D Format *", {{{L"b3d", L"b3d"}}}, kViewer, true},  // 1
    {L"BMP/DIB", L"Windows Bitmap", {{{L"bmp", L"bmp"}, {L"dib", L"bmp"}}}, kViewer, true},  // 2
    {L"CLP", L"Windows Clipboard *", {{{L"clp", L"clp"}}}, kViewer, true},  // 3
    {L"CRW/CR2/CR3", L"Canon RAW Format *", {{{L"crw", L"crw"}, {L"cr2", L"cr2"}, {L"cr3", L"cr3"}}}, kViewer, true},  // 4
    {L"CUR", L"Windows Cursor", {{{L"cur", L"cur"}}}, kOwn, true},  // 5
    {L"DCM/ACR/IMA", L"DICOM Format *", {{{L"dcm", L"dcm"}, {L"acr", L"dcm"}, {L"ima", L"dcm"}}}, kViewer, true},  // 6
    {L"DCX", L"Multipage Zsoft Paintbrush", {{{L"dcx", L"dcx"}}}, kViewer, true},  // 7
    {L"DDS", L"Direct Draw Surface *", {{{L"dds", L"dds"}}}, kViewer, true},  // 8
    {L"DJVU/IW44", L"DjVu Format *", {{{L"djvu", L"djvu"}, {L"iw44", L"djvu"}}}, kViewer, true},  // 9
    {L"DXF", L"Drawing Interchange Format *", {{{L"dxf", L"dxf"}}}, kViewer, true},  // 10
    {L"ECW", L"Enhanced Compressed Wavelet *", {{{L"ecw", L"ecw"}}}, kViewer, true},  // 11
    {L"EMF", L"Enhanced Windows Metafile", {{{L"emf", L"emf"}}}, kViewer, true},  // 12
    {L"EPS/PS", L"PostScript Format *", {{{L"eps", L"eps"}, {L"ps", L"eps"}}}, kViewer, true},  // 13
    {L"EXR", L"EXR Format *", {{{L"exr", L"exr"}}}, kViewer, true},  // 14
    {L"G3", L"G3 FAX Format *", {{{L"g3", L"g3"}}}, kViewer, true},  // 15
    {L"GIF", L"Compuserve GIF", {{{L"gif", L"gif"}}}, kViewer, true},  // 16
    {L"HDP/JXR/WDP", L"JPEG-XR/HD-Photo Format *", {{{L"hdp", L"hdp"}, {L"jxr", L"hdp"}, {L"wdp", L"hdp"}}}, kViewer, true},  // 17
    {L"HEIC", L"High Efficiency Image File Format *", {{{L"heic", L"heic"}}}, kViewer, true},  // 18
    {L"ICO", L"Windows Icon", {{{L"ico", L"ico"}}}, kOwn, true},  // 19
    {L"IFF/LBM", L"Amiga Interchange File Format *", {{{L"iff", L"iff"}, {L"lbm", L"iff"}}}, kViewer, true},  // 20
    {L"JLS", L"JPEG-LS Format *", {{{L"jls", L"jls"}}}, kViewer, true},  // 21
    {L"JP2/JPC/J2K", L"JPEG2000 Format *", {{{L"jp2", L"jp2"}, {L"jpc", L"jp2"}, {L"j2k", L"jp2"}}}, kViewer, true},  // 22
    {L"JPG/JPEG/JFIF/JPE", L"JPEG Format", {{{L"jpg", L"jpg"}, {L"jpeg", L"jpg"}, {L"jfif", L"jpg"}, {L"jpe", L"jpg"}}}, kViewer, true},  // 23
    {L"JPM", L"JPM Format *", {{{L"jpm", L"jpm"}}}, kViewer, true},  // 24
    {L"JXL", L"JPEG XL Format *", {{{L"jxl", L"jxl"}}}, kViewer, true},  // 25
    {L"MNG/JNG", L"Multiple Network Graphics *", {{{L"mng", L"mng"}, {L"jng", L"jng"}}}, kViewer, true},  // 26
    {L"PBM", L"Portable Bitmap", {{{L"pbm", L"pbm"}}}, kViewer, true},  // 27
    {L"PCD", L"Kodak Photo CD", {{{L"pcd", L"pcd"}}}, kViewer, true},  // 28
    {L"PCX", L"Zsoft Paintbrush", {{{L"pcx", L"pcx"}}}, kViewer, true},  // 29
    {L"PGM", L"Portable Greymap", {{{L"pgm", L"pgm"}}}, kViewer, true},  // 30
    {L"PNG", L"Portable Network Graphics", {{{L"png", L"png"}}}, kViewer, true},  // 31
    {L"PPM", L"Portable Pixelmap", {{{L"ppm", L"ppm"}}}, kViewer, true},  // 32
    {L"PSD", L"Adobe Photoshop Image", {{{L"psd", L"psd"}}}, kViewer, true},  // 33
    {L"PSP", L"Paint Shop Pro Image *", {{{L"psp", L"psp"}}}, kViewer, true},  // 34
    {L"QOI", L"Quite OK Image *", {{{L"qoi", L"qoi"}}}, kViewer, true},  // 35
    {L"RAS/SUN", L"Sun Raster Format *", {{{L"ras", L"ras"}, {L"sun", L"ras"}}}, kViewer, true},  // 36
    {L"RAW", L"RAW Image Data *", {{{L"raw", L"raw"}}}, kViewer, true},  // 37
    {L"RLE", L"Utah RLE Format *", {{{L"rle", L"rle"}}}, kViewer, true},  // 38
    {L"SFF", L"Structured Fax Format *", {{{L"sff", L"sff"}}}, kViewer, true},  // 39
    {L"SGI/RGB", L"Silicon Graphics Image *", {{{L"sgi", L"sgi"}, {L"rgb", L"sgi"}}}, kViewer, true},  // 40
    {L"SID", L"LizardTech MrSID Format *", {{{L"sid", L"sid"}}}, kViewer, true},  // 41
    {L"TGA", L"Truevision Targa", {{{L"tga", L"tga"}}}, kViewer, true},  // 42
    {L"TIF/TIFF", L"Tagged Image File Format", {{{L"tif", L"tif"}, {L"tiff", L"tif"}}}, kViewer, true},  // 43
    {L"WBMP", L"WAP Bitmap *", {{{L"wbmp", L"wbmp"}}}, kViewer, true},  // 44
    {L"WEBP", L"Weppy Format *", {{{L"webp", L"webp"}}}, kViewer, true},  // 45
    {L"WMF", L"Windows Metafile", {{{L"wmf", L"wmf"}}}, kViewer, true},  // 46
    {L"XBM", L"X-Bitmap *", {{{L"xbm", L"xbm"}}}, kViewer, true},  // 47
    {L"XPM", L"X-Pixmap *", {{{L"xpm", L"xpm"}}}, kViewer, true},  // 48
    {L"SWF/FLV", L"Macromedia Flash Format *", {{{L"swf", L"swf"}, {L"flv", L"flv"}}}, kViewer, false},  // 49
    {L"TTF", L"True Type Font Format *", {{{L"ttf", L"ttf"}}}, kViewer, false},  // 50
    {L"ASF", L"Advanced Systems Format *", {{{L"asf", L"asf"}}}, kVideo, false},  // 51
    {L"AVI", L"Video for Windows *", {{{L"avi", L"avi"}}}, kVideo, false},  // 52
    {L"MPG/MPE/MPEG", L"MPEG Movie *", {{{L"mpg", L"mpg"}, {L"mpe", L"mpe"}, {L"mpeg", L"mpg"}}}, kVideo, false},  // 53
    {L"MOV", L"Apple QuickTime Movie *", {{{L"mov", L"mov"}}}, kVideo, false},  // 54
    {L"WMV", L"Windows Media Video File *", {{{L"wmv", L"wmv"}}}, kVideo, false},  // 55
    {L"AIF", L"Audio Interchange Format *", {{{L"aif", L"aif"}}}, kAudio, false},  // 56
    {L"MID/RMI", L"MIDI Sound Format *", {{{L"mid", L"mid"}, {L"rmi", L"rmi"}}}, kAudio, false},  // 57
    {L"MP3", L"MPEG Audio Format *", {{{L"mp3", L"mp3"}}}, kAudio, false},  // 58
    {L"OGG", L"Ogg Vorbis Audio Format *", {{{L"ogg", L"ogg"}}}, kAudio, false},  // 59
    {L"AU/SND", L"SUN Audio Format *", {{{L"au", L"au"}, {L"snd", L"au"}}}, kAudio, false},  // 60
    {L"WAV", L"Windows Audio Format *", {{{L"wav", L"wav"}}}, kAudio, false},  // 61
    {L"WMA", L"Windows Media Audio File *", {{{L"wma", L"wma"}}}, kAudio, false},  // 62
}};
// clang-format on

namespace {

constexpr std::size_t CountExtensions() {
  std::size_t count = 0;
  for (const FormatRow& row : FormatCatalogue) count += row.Extensions().size();
  return count;
}

constexpr bool ImageRowsComeFirst() {
  for (std::size_t i = 0; i < FormatCatalogue.size(); ++i)
    if (FormatCatalogue[i].isImageFormat != (i < kImageFormatRowCount)) return false;
  return true;
}

// A row without extensions would be listed but never registered.
constexpr bool EveryRowHasAnExtension() {
  for (const FormatRow& row : FormatCatalogue)
    if (row.Extensions().empty()) return false;
  return true;
}

static_assert(CountExtensions() == kFormatExtensionCount);
static_assert(ImageRowsComeFirst());
static_assert(EveryRowHasAnExtension());
static_assert(kFormatRowCount < kAssociationSlots);

}  // namespace

AssociationSelection ImageFormatsSelection() {
  AssociationSelection selection{};
  for (std::size_t i = 0; i < kFormatRowCount; ++i) selection[i] = FormatCatalogue[i].isImageFormat ? 1 : 0;
  return selection;
}

AssociationSelection AllFormatsSelection() {
  AssociationSelection selection{};
  selection.fill(1);
  return selection;
}

AssociationSelection SelectionForAssocValue(int value) {
  if (value == 1) return ImageFormatsSelection();
  if (value == 2) return AllFormatsSelection();
  return AssociationSelection{};
}

}  // namespace lanternix
