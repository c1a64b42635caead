#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QByteArray>
#include <QImage>
#include <QXmlStreamWriter>

#include "AnsiString.h"
#include "LineRenderer.h"
#include "OwnWideString.h"
#include "SizedFace.h"

// A picture holds at most this many device pixels a side and in all (the
// latter is 256 MB at four bytes a pixel); a text that needs more is refused
// with a message rather than cut, which would silently lose part of it.
constexpr int64_t MaxPictureSide = 32767;
constexpr int64_t MaxPicturePixels = int64_t{4096} * 16384;

// Whether a picture of width x height device pixels stays within the limits.
bool PictureFits(double width, double height);

// What a picture of width x height device pixels that does not fit would be,
// in numbers that hold at any size: "larger than 32767 pixels a side", or
// "W x H pixels, more than N pixels in all".

// The picture of the whole text, as Copy as picture and Save as picture give
// it: laid out as the window lays it out at width W, but with no insertion
// mark and every line (not cut at the window's height), on white. It is
// cropped vertically from the top of the first line that holds ink to the
// bottom of the last one, horizontally to the ink, and gets a margin of a
// quarter of the em on each side. A text with no ink at all (spaces and line
// breaks only) keeps the room its glyph cells take up instead, and an empty
// text one empty line: the picture is then white, never empty. The picture
// carries the text (logical order) as its text.
//
// The face is the canvas font's, as ApplyFaceName left it.
PictureScene PictureOfText(const OwnWideString& TypedText, const DrawingCanvas& canvas, int W, int pixelSize);
PictureScene PictureOfText(const OwnWideString& TypedText, const std::optional<SizedFace>& face, int W,
                           int pixelSize);

// The scene drawn at scale s: round(width*s) x round(height*s) device pixels
// with that device pixel ratio, s times Qt's usual resolution, and
// the scene's text under the key "Description". Throws std::runtime_error
// when the picture would exceed the limits above.
QImage RasterOf(const PictureScene& scene, double scale);

// Gives a picture drawn at scale s that device pixel ratio and s times Qt's
// usual resolution, so that a program that heeds it shows the picture as
// large as the picture at scale 1.
void MarkPictureScale(QImage& image, double scale);

// The bytes of a PNG file of the image, its texts included.
QByteArray EncodePng(const QImage& image);

// The scene as an SVG file in logical pixels: a viewBox of the scene's size,
// the text in <title>, a white background, and each glyph a <path> from the
// face's outline at the place the bitmap puts it. The mark, which the bitmap
// inverts, is a black bar. Throws std::runtime_error for a face without
// outlines and for a scene beyond the limits above.
QByteArray SvgOf(const PictureScene& scene);

// Starts an SVG picture of width x height logical pixels: the document and
// its <svg> element with that viewBox, left open for what it shows.
void StartSvg(QXmlStreamWriter& xml, int64_t width, int64_t height);
