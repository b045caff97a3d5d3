#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvane {

// Comma-separated text as RFC 4180 has it: UTF-8 without a byte-order mark,
// a header row, CRLF after every row, and a field that holds a comma, a
// quote, a CR or an LF enclosed in quotes with its quotes doubled. A field
// that begins with "=", "+", "-", "@", a tab or a CR gets an apostrophe in
// front, so that a spreadsheet shows it as text instead of running it as a
// formula (the texts come from senders). Fields are otherwise written
// unchanged.
//
// save() writes through QSaveFile, so a failed export leaves no partial
// file. Plain functions; any thread; throw only std::bad_alloc.
class CsvWriter
{
public:
    static QByteArray row(const QStringList& fields);

    static bool save(const QString& path, const QStringList& header,
                     const std::vector<QStringList>& rows, QString& error);
};

} // namespace corvane
