#pragma once

#include <QString>

// Sites often send a clip's picture and its sound as two streams (two renditions of one
// manifest). Once each is joined, they become one file through libavformat: packets copied as
// they are, interleaved by time, never re-encoded.

namespace velt {

// Writes the first video stream of video and the first audio stream of audio into an MP4 at
// out, which must exist (empty) and is overwritten. False with why set when either cannot be
// read or the result cannot be written.
bool muxVideoAndSound(const QString &video, const QString &audio, const QString &out, QString *why);

// Copies the video and audio streams of in (an MPEG transport stream, say) into an MP4 at out,
// packets as they are. *video tells whether there was a picture stream. False with why set when
// in holds neither or the result cannot be written.
bool remuxToMp4(const QString &in, const QString &out, bool *video, QString *why);

// Keeps the FFmpeg libraries, which the player's back end shares, from logging to standard error.
void silenceMediaLibraries();

} // namespace velt
