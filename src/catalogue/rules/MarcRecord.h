#pragma once

#include "catalogue/rules/TitleData.h"

#include <QList>
#include <QString>

class QXmlStreamReader;

namespace lesaro {

// One MARC 21 bibliographic record: its control fields and data fields with their subfields, as the
// MARC 21 XML schema lays them out. Only what the book window takes over is made into TitleData.
class MarcRecord {
public:
    struct Subfield {
        QChar code;
        QString value;
    };
    struct DataField {
        QString tag;
        QChar ind1;
        QChar ind2;
        QList<Subfield> subfields;
        QStringList values(QChar code) const;
        QString first(QChar code) const;
    };

    // Reads from the start element <record> to its end element; false with error set when the XML breaks
    // off or the record is not MARC 21 XML.
    bool read(QXmlStreamReader& xml, QString* error);

    QString controlField(const QString& tag) const;
    QList<const DataField*> dataFields(const QString& tag) const;

    // isbn: the number asked for (see SruResponse::parse).
    TitleData titleData(const QString& isbn) const;

private:
    QList<std::pair<QString, QString>> m_controlFields;
    QList<DataField> m_dataFields;
};

} // namespace lesaro
