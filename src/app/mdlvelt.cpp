#include "app/mdlvelt.h"

#include "platform/namebytes.h"

#include "platform/language.h"

#include <cstdio>
#include <iterator>

namespace velt {

const char *const kOpenFileFilter = QT_TRANSLATE_NOOP(
        "Messages",
        "動画ファイル(*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u)|*.avi;*.m1v;*.mp2;*."
        "mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u|メディアファイル(*.asf;*.asx)|*.asf;*.asx|ＱＴファイル("
        "*."
        "mov;*.qt)|*.mov;*.qt|ＲＭファイル(*.ra;*.rm;*.ram;*.rmm)|*.ra;*.rm;*.ram;*.rmm|"
        "画像ファイル(*."
        "jpg;*.bmp;*.jpe)|*.jpg;*.bmp;*.jpe|メタファイル(*.wmf;*.emf)|*.wmf;*.emf|アイコン(*.ico)|*"
        "."
        "ico|音楽1(*.mid;*.rmi;*.mp1;*.mp2;*.mp3)|*.mid;*.rmi;*.mp1;*.mp2;*.mp3|音楽2(*.wav;*.snd;*"
        "."
        "au;*.aif;*.affc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff|全てのファイル(*.*)|*.*");

const char *const kOpenFileFilterWithTodaysTypes = QT_TRANSLATE_NOOP(
        "Messages",
        "動画ファイル(*.avi;*.m1v;*.mp2;*.mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u)|*.avi;*.m1v;*.mp2;*."
        "mpa;*.mpe;*.mpeg;*.mpg;*.mp3;*.m3u|メディアファイル(*.asf;*.asx)|*.asf;*.asx|ＱＴファイル("
        "*.mov;*.qt)|*.mov;*.qt|ＲＭファイル(*.ra;*.rm;*.ram;*.rmm)|*.ra;*.rm;*.ram;*.rmm|"
        "画像ファイル(*.jpg;*.bmp;*.jpe)|*.jpg;*.bmp;*.jpe|メタファイル(*.wmf;*.emf)|*.wmf;*.emf|"
        "アイコン(*.ico)|*.ico|音楽1(*.mid;*.rmi;*.mp1;*.mp2;*.mp3)|*.mid;*.rmi;*.mp1;*.mp2;*.mp3|"
        "音楽2(*.wav;*.snd;*.au;*.aif;*.affc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff|"
        "画像ファイル2(*.png;*.webp;*.avif;*.svg)|*.png;*.webp;*.avif;*.svg|"
        "動画・音楽ファイル2(*.mp4;*.m4v;*.webm;*.ogg;*.opus;*.m4a;*.aac;*.flac;*.mp3)|*.mp4;*.m4v;"
        "*.webm;*.ogg;*.opus;*.m4a;*.aac;*.flac;*.mp3|全てのファイル(*.*)|*.*");

QString openFileFilter(const ExtTable &table)
{
    return messageText(table.hasTodaysTypes() ? kOpenFileFilterWithTodaysTypes : kOpenFileFilter);
}

void MdlVELT::reserveList(int n)
{
    for (QStringList *list : {&ListFile, &SortFile, &ListLine, &SortLine}) {
        while (list->size() < n + 1)
            list->append(QString());
    }
}

void MdlVELT::setCopiedFrom(const QHash<QByteArray, QString> &folderOf)
{
    CopiedFrom.clear();
    for (auto it = folderOf.cbegin(); it != folderOf.cend(); ++it)
        CopiedFrom.insert(decodeFileName(it.key()), it.value());
}

void MdlVELT::reserveGif(int n)
{
    while (GifFile.size() < n + 1)
        GifFile.append(QString());
}

QString listTimeText(const QDateTime &t)
{
    // Written by hand: format strings are parsed anew on every call, and the walk makes one
    // line per picture.
    const QDate d = t.date();
    const QTime h = t.time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d   %02d:%02d:%02d", d.year() % 10000, d.month(),
                  d.day(), h.hour(), h.minute(), h.second());
    return QString::fromLatin1(text);
}

QString displayLine(const QString &fileName, const QDateTime &modified)
{
    const QString name = fileName.size() > 34 ? fileName.left(34) + QLatin1Char(' ')
                                              : fileName.leftJustified(35, QLatin1Char(' '));
    return name + listTimeText(modified);
}

void ExtTable::fill()
{
    static const char *const pictures[kPictureRows] = {"JPG", "BMP", "ICO", "GIF",
                                                       "WMF", "EMF", "JPE"};
    static const char *const media[kMediaRows] = {"AVI", "MPEG", "RM",  "MID",  "RMI", "RA",  "RAM",
                                                  "RMM", "MP1",  "MP2", "MP3",  "M3U", "M1V", "MPA",
                                                  "MPE", "MPG",  "ASF", "ASX",  "MOV", "QT",  "WAV",
                                                  "SND", "AU",   "AIF", "AIFC", "AIFF"};
    const QString blank = QStringLiteral("   ");
    for (int row = 1; row < kRows; ++row)
        m_cells[1][row] = row <= kPictureRows ? QString::fromLatin1(pictures[row - 1]) : blank;
    for (int row = 1; row < kRows; ++row)
        m_cells[2][row] = row <= kMediaRows ? QString::fromLatin1(media[row - 1]) : blank;
    m_pictureRows = kPictureRows;
    m_mediaRows = kMediaRows;
    m_todaysTypes = false;
    m_albumTypes = false;
}

void ExtTable::addTodaysTypes()
{
    static const char *const pictures[] = {"PNG", "WEBP", "AVIF", "SVG"};
    static const char *const media[] = {"MP4", "M4V", "WEBM", "OGG", "OPUS", "M4A", "AAC", "FLAC"};
    static_assert(std::size(pictures) == kTodaysPictureRows - kPictureRows);
    static_assert(std::size(media) == kTodaysMediaRows - kMediaRows);
    for (int row = kPictureRows + 1; row < kRows; ++row)
        m_cells[1][row] = QStringLiteral("   ");
    for (int i = 0; i < int(std::size(pictures)); ++i)
        m_cells[1][kPictureRows + 1 + i] = QString::fromLatin1(pictures[i]);
    for (int i = 0; i < int(std::size(media)); ++i)
        m_cells[2][kMediaRows + 1 + i] = QString::fromLatin1(media[i]);
    m_pictureRows = kTodaysPictureRows;
    m_mediaRows = kTodaysMediaRows;
    m_todaysTypes = true;
    if (m_albumTypes) // put back after today's
        addAlbumTypes();
}

void ExtTable::addAlbumTypes()
{
    static const char *const pictures[] = {"PNG", "WEBP", "AVIF", "HEIC", "HEIF", "JXL"};
    m_albumTypes = true;
    for (const char *type : pictures) {
        const QString name = QString::fromLatin1(type);
        if (SerchGaExp(name) || m_pictureRows + 1 >= kRows)
            continue;
        m_cells[1][++m_pictureRows] = name;
    }
}

bool ExtTable::matchesColumn(const QString &name, int column, int rows) const
{
    const QString tail = name.right(3).toUpper();
    bool result = false;
    for (int row = 1; row <= rows; ++row) {
        QString entry = m_cells[column][row];
        if (entry.size() == 2)
            entry.prepend(QLatin1Char('.'));
        if (tail == entry.right(3).toUpper())
            result = true;
    }
    return result;
}

bool ExtTable::SerchGaExp(const QString &name) const
{
    return matchesColumn(name, 1, m_pictureRows);
}

bool ExtTable::SerchDoExp(const QString &name) const
{
    return matchesColumn(name, 2, m_mediaRows);
}

const ExtTable &ExtTable::standard()
{
    static const ExtTable table = [] {
        ExtTable t;
        t.fill();
        return t;
    }();
    return table;
}

bool isGifName(const QString &name)
{
    return name.right(3).toUpper() == QLatin1String("GIF");
}

EmptyResult emptyWorkFolder(const MdlVELT &state)
{
    return state.WorkDirHandle ? state.WorkDirHandle->empty() : emptyWorkDir(state.WorkDir);
}

QString workDirReadPath(const MdlVELT &state)
{
    if (state.WorkDirHandle && state.WorkDirHandle->fd() >= 0)
        return descriptorPath(state.WorkDirHandle->fd());
    return state.WorkDir;
}

} // namespace velt
