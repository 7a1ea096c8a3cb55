#pragma once

#include "cache/registrysource.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The registry reader exists twice: the byte-level contract in plain C++ (keyvalue.h: the
// 1024-byte buffer, text up to the first NUL, the value types) and this Qt form, which decodes
// the bytes. Both read through RegistrySource::read, which answers as RegQueryValueExA does.
// Sources: RegFileStore (registry export files, the desktop profile, the demo: a log of what was
// stored and removed, replayed backwards by each query) and, in Windows builds,
// WindowsRegistrySource (winregistry.h). One table of stored bytes
// (tests/cache/registrycases.h) drives both the file test and the same cases under Wine.

namespace velt {

// GetKeyValue of keyvalue.h for Qt strings: names go out as UTF-8; the text read is decoded as
// UTF-8, or in the ANSI code page (CP932 off Windows) when not UTF-8.
bool GetKeyValue(const RegistrySource &source, std::uint32_t KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

// The source used at start: the given registry files merged (later wins); without any, a
// VELT.reg beside the executable; otherwise the desktop profile (on Windows: the real registry).
// Malformed lines are reported once each on standard error. desktopProfile, when given, tells
// whether the desktop profile was chosen.
std::unique_ptr<RegistrySource> makeRegistrySource(const QStringList &registryFiles,
                                                   const QString &executableDir,
                                                   bool *desktopProfile = nullptr);

// The desktop profile: "SystemRoot" (under the NT key) = systemRoot when not empty, and the App
// Paths of IEXPLORE.EXE, MSPAINT.EXE, RealPlay.exe and QuickTimePlayer.exe from the programs
// that findProgram locates by name (empty: not installed, the key is left out).
std::unique_ptr<RegistrySource> makeDesktopRegistry(
        const QString &systemRoot, const std::function<QString(const QString &)> &findProgram);

// The desktop profile's Windows folder: the user's cache folder for VELT.
QString desktopSystemRoot();

// Bytes of a registry string as text: UTF-8, else the ANSI code page (CP932 off Windows).
QString decodeRegistryText(const QByteArray &bytes);

} // namespace velt
