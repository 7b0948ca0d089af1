#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <list>
#include <utility>
#include <vector>

// A small INI file that keeps sections, keys and unknown lines in file order.
// A line ends at LF, CRLF or a lone CR. Each line is decoded on its own: UTF-8
// where it is valid, else Latin-1 (as a Windows editor writes in its code page).
// Lines the program did not write go back byte for byte with their own line end;
// values it writes are UTF-8. Values keep their text as written after the first
// '=' (blanks at the ends trimmed on read). Of a repeated key the first counts.
class IniFile final
{
public:
    // A missing file reads as empty and is not an error. Returns false (with a
    // reason in *error) when an existing file cannot be read, is not a regular
    // file (a FIFO would hang the read, a device never end it) or holds more
    // than MaxBytes; nothing is loaded then.
    bool load(const QString &path, QString *error = nullptr);
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    void loadBytes(const QByteArray &bytes);
    void loadText(const QString &text); // as its UTF-8 bytes

    QString readString(const QString &section, const QString &key, const QString &def) const;
    int readInteger(const QString &section, const QString &key, int def) const; // non-integer: def
    QStringList keys(const QString &section) const;                             // file order
    // (key, value) of every key line of the section, in file order, repeats included.
    std::vector<std::pair<QString, QString>> entries(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;

    // Replaces the value in place, or appends the key at the end of its section
    // (a missing section is appended at the end of the file). Carriage return,
    // line feed and NUL in a value are written as blanks.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void eraseSectionKeys(const QString &section); // the section line stays

    QString text() const;     // decoded, for reading and tests
    QByteArray bytes() const; // what save writes
    // Atomic: written to a temporary file beside `path` and renamed over it. A
    // failure leaves the old file and says why in *error (the system's words).
    bool save(const QString &path, QString *error = nullptr) const;

private:
    struct Line
    {
        QString section; // the section this line belongs to ("" before the first)
        QString key;     // empty for section lines, comments and blanks
        QString text;    // the line, decoded (rebuilt when a value is written)
        QByteArray raw;  // the bytes as read, written back unless `own`
        QByteArray end;  // its line end as read; empty for a last line without one
        bool isSection = false;
        bool own = false; // written by the program: saved as UTF-8 of `text`
    };
    using Lines = std::list<Line>; // stable positions: the index survives inserts
    using LineIt = Lines::iterator;
    struct Section
    {
        LineIt header;  // its first section line
        LineIt lastKey; // where its next key goes; header when it has no keys
    };

    QByteArray endOf(Lines::const_iterator it) const; // the end written after the line
    void rebuildIndex();
    void indexLine(LineIt it);
    Line *findKey(const QString &section, const QString &key) const; // the first; null when absent

    Lines lines;
    QHash<QString, LineIt> firstKeys; // folded section and key: the first such line
    QHash<QString, Section> sections; // folded name: only sections with a header
    QByteArray newLineEnd = "\n";     // for added lines: the file's first line end
    bool bom = false;
};
