#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A small INI file that keeps sections, keys and unknown lines in file order.
// Reads LF and CRLF files; writes LF. Values keep their text as written after
// the first '=' (blanks at the ends trimmed on read).
class IniFile final
{
public:
    // A missing file reads as empty and is not an error. Returns false (with a
    // reason in *error) only when an existing file cannot be read.
    bool load(const QString &path, QString *error = nullptr);
    void loadText(const QString &text);

    QString readString(const QString &section, const QString &key, const QString &def) const;
    int readInteger(const QString &section, const QString &key, int def) const; // non-integer: def
    QStringList keys(const QString &section) const;                             // file order
    bool hasKey(const QString &section, const QString &key) const;

    // Replaces the value in place, or appends the key at the end of its section
    // (a missing section is appended at the end of the file). Carriage return,
    // line feed and NUL in a value are written as blanks.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void eraseSectionKeys(const QString &section); // the section line stays

    QString text() const;
    // Atomic: written to a temporary file beside `path` and renamed over it.
    bool save(const QString &path, QString *error = nullptr) const;

private:
    struct Line
    {
        QString section; // the section this line belongs to ("" before the first)
        QString key;     // empty for section lines, comments and blanks
        QString raw;     // the line as it stands (rebuilt when a value is written)
        bool isSection = false;
    };
    std::vector<Line> lines;
};
