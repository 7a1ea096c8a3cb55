#pragma once

#include <QByteArray>
#include <QImage>

namespace velt {

// Writers of small media files made at run time, for the demo cache and for tests. Each returns
// the whole file; none needs anything beyond QtCore and QtGui.

// A mono 16-bit PCM WAV holding a sine tone.
QByteArray wavSound(int milliseconds = 1000, int frequency = 440, int sampleRate = 22050);

// An uncompressed RIFF AVI ('DIB ' frames, bottom-up 32-bit BGRX) of a square moving across a
// gradient, with an idx1 index. Not 24-bit: Qt 6.4's ffmpeg backend shows 24-bit frames
// garbled. Sizes are in pixels; width and height are clamped to 8..1024.
QByteArray aviMovie(int frames = 20, int width = 160, int height = 120, int framesPerSecond = 10);

// A GIF of the image: GIF87a, or GIF89a with a transparent colour when some pixels are more
// than half transparent. Up to 256 colours are kept exactly, more are reduced to a fixed
// 6x6x6 colour cube. A null image gives an empty array.
QByteArray gifImage(const QImage &image);

// A placeable WMF (Aldus header, 1440 units per inch) drawing a frame, a filled rectangle, an
// ellipse, a triangle, a line and a line of text in Arial.
QByteArray wmfPicture();

// An EMF drawing a frame, a filled rectangle, an ellipse, a triangle and a line.
QByteArray emfPicture();

} // namespace velt
