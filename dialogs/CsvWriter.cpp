#include "dialogs/CsvWriter.h"

#include <QSaveFile>

namespace corvane {

namespace {

// A spreadsheet runs a cell that begins with one of these as a formula.
bool looksLikeFormula(const QByteArray& field)
{
    return !field.isEmpty() && QByteArray("=+-@\t\r").contains(field.front());
}

} // namespace

QByteArray CsvWriter::row(const QStringList& fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        QByteArray field = fields[i].toUtf8();
        if (looksLikeFormula(field))
            field.prepend('\'');
        if (field.contains(',') || field.contains('"') || field.contains('\r') ||
            field.contains('\n')) {
            field.replace("\"", "\"\"");
            line += '"' + field + '"';
        } else {
            line += field;
        }
    }
    line += "\r\n";
    return line;
}

bool CsvWriter::save(const QString& path, const QStringList& header,
                     const std::vector<QStringList>& rows, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    file.write(row(header));
    for (const QStringList& fields : rows)
        file.write(row(fields));
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace corvane
