#include "catalogue/rules/SruResponse.h"

#include "catalogue/rules/MarcRecord.h"

#include <QXmlStreamReader>

namespace lesaro::SruResponse {

namespace {

QString malformed(const QXmlStreamReader& xml) {
    return QStringLiteral("Die Antwort des Dienstes ist kein gültiges XML (Zeile %1, Spalte %2) und wurde "
                          "verworfen.")
        .arg(xml.lineNumber())
        .arg(xml.columnNumber());
}

// The MARC records inside one <recordData>: as elements, or (record packing "string") as escaped XML text.
bool readRecordData(QXmlStreamReader& xml, const QString& isbn, SruAnswer& answer) {
    QString packed;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"recordData")
            break;
        if (xml.isCharacters() && !xml.isWhitespace()) {
            packed += xml.text();
        } else if (xml.isStartElement() && xml.name() == u"record") {
            MarcRecord record;
            if (!record.read(xml, &answer.error))
                return false;
            answer.records << record.titleData(isbn);
        } else if (xml.isStartElement() && xml.name() != u"collection") {
            xml.skipCurrentElement(); // a record of another schema; a <collection> around records is read through
        }
    }
    if (xml.hasError())
        return false;
    if (!packed.trimmed().isEmpty()) {
        QXmlStreamReader inner(packed);
        while (!inner.atEnd()) {
            inner.readNext();
            if (inner.isStartElement() && inner.name() == u"record") {
                MarcRecord record;
                if (!record.read(inner, &answer.error)) {
                    if (inner.hasError())
                        answer.error = malformed(inner);
                    return false;
                }
                answer.records << record.titleData(isbn);
            }
        }
        if (inner.hasError()) {
            answer.error = malformed(inner);
            return false;
        }
    }
    return true;
}

} // namespace

SruAnswer parse(const QByteArray& bytes, const QString& isbn) {
    SruAnswer answer;
    if (bytes.trimmed().isEmpty()) {
        answer.error = QStringLiteral("Die Antwort des Dienstes ist leer.");
        return answer;
    }
    QXmlStreamReader xml(bytes);
    bool sru = false;
    int recordData = 0;
    QStringList diagnostics;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (!sru) {
            if (name != u"searchRetrieveResponse") {
                answer.error = QStringLiteral("Die Antwort des Dienstes ist keine SRU-Antwort. Bitte in den Optionen "
                                              "auf der Seite „Titeldaten“ die Adresse prüfen.");
                return answer;
            }
            sru = true;
        } else if (name == u"numberOfRecords") {
            answer.numberOfRecords = xml.readElementText().trimmed().toInt();
        } else if (name == u"recordData") {
            ++recordData;
            if (!readRecordData(xml, isbn, answer)) {
                // A record cut off by broken XML is reported as the broken XML it is.
                if (answer.error.isEmpty() || xml.hasError())
                    answer.error = malformed(xml);
                answer.records.clear();
                return answer;
            }
        } else if (name == u"diagnostic") {
            QString message;
            QString details;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"message")
                    message = xml.readElementText().simplified();
                else if (xml.name() == u"details")
                    details = xml.readElementText().simplified();
                else
                    xml.skipCurrentElement();
            }
            diagnostics << (details.isEmpty() ? message : message + QStringLiteral(" (") + details + u')');
        }
    }
    if (xml.hasError()) {
        answer.error = malformed(xml);
        answer.records.clear();
        return answer;
    }
    if (!sru) {
        answer.error = QStringLiteral("Die Antwort des Dienstes ist keine SRU-Antwort.");
        return answer;
    }
    // Hits in another record schema (a service that ignores the one asked for) are no "nothing found".
    if (recordData > 0 && answer.records.isEmpty() && diagnostics.isEmpty())
        answer.error = QStringLiteral("Die Antwort des Dienstes enthält keine MARC-21-Datensätze. Bitte in den "
                                      "Optionen auf der Seite „Titeldaten“ prüfen, ob der Dienst MARC21-xml liefert.");
    if (!diagnostics.isEmpty() && answer.records.isEmpty())
        answer.error =
            QStringLiteral("Der Titeldaten-Dienst meldet einen Fehler: ") + diagnostics.join(QStringLiteral("; "));
    return answer;
}

} // namespace lesaro::SruResponse
