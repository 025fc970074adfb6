#include "core/Datapacket.h"

#include "core/AtomicFile.h"
#include "core/DatapacketBinary.h"
#include "core/DatapacketCommon.h"
#include "core/DatapacketXml.h"
#include "core/EngineError.h"

namespace lesaro {

DatapacketForm datapacket::formForFileName(const QString& fileName, DatapacketForm requested) {
    if (fileName.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        return DatapacketForm::Xml;
    return requested;
}

QByteArray WriteDatapacket(const RowStore& store, DatapacketForm form) {
    return form == DatapacketForm::Xml ? datapacket::writeXml(store) : datapacket::writeBinary(store);
}

void WriteDatapacketFile(const RowStore& store, DatapacketForm form, const QString& path) {
    if (form == DatapacketForm::Xml) {
        writeFileAtomically(path, datapacket::writeXml(store));
        return;
    }
    const datapacket::BinaryPacket packet(store);
    AtomicFileWriter file(path, packet.size());
    packet.write([&file](QByteArrayView piece) { file.write(piece); });
    file.commit();
}

// The content decides the form, whatever the file is called.
RowStore ReadDatapacket(QByteArray bytes) {
    if (bytes.isEmpty())
        datapacket::fail(datapacket::kNoPacket);
    if (bytes.size() > datapacket::kMaxPacketSize)
        throw EngineError(QStringLiteral("Die Tabellendatei ist mit %1 Bytes zu groß.").arg(bytes.size()));
    if (datapacket::looksBinary(bytes))
        return datapacket::readBinary(std::move(bytes));
    return datapacket::readXml(bytes);
}

QString DatapacketMessageForUser(const QString& message) {
    if (message == QLatin1String(datapacket::kMismatch))
        return QStringLiteral("Der Inhalt passt nicht zum Aufbau einer Tabellendatei; die Datei ist beschädigt oder "
                              "keine Tabellendatei.");
    if (message == QLatin1String(datapacket::kNullFieldName))
        return QStringLiteral("Ein Feldname ist leer; die Datei ist vermutlich beschädigt.");
    if (message == QLatin1String(datapacket::kInvalidFieldType))
        return QStringLiteral("Die Datei enthält einen unbekannten Feldtyp.");
    return message;
}

} // namespace lesaro
