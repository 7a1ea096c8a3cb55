#pragma once

#include "cache/registrysource.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace velt {

// Reads one value with the ANSI registry contract: a 1024-byte buffer (a value of 1024 bytes or
// more fails), text up to the first NUL; REG_SZ replaces KeyVal, REG_DWORD appends its "&h"
// text, any other type leaves KeyVal as passed. On failure KeyVal is emptied and false returned.
bool GetKeyValue(const RegistrySource &source, std::uint32_t KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

// The source used at start: the given registry files merged (later wins); without any, a
// VELT.reg beside the executable; otherwise the desktop profile. Malformed lines are reported
// once each on standard error.
std::unique_ptr<RegistrySource> makeRegistrySource(const QStringList &registryFiles,
                                                   const QString &executableDir);

} // namespace velt
