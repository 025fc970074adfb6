#pragma once

// A small HTTP responder on 127.0.0.1 for the title-data lookup: it answers every request with the reply
// set last and keeps the requests it received, so a test sees exactly what left the program.

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace lesaro::testing {

class SruResponder : public QObject {
public:
    struct Reply {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body = {};
        QList<std::pair<QByteArray, QByteArray>> headers = {};
        bool silent = false;    // never answers (a service that hangs)
        qint64 streamBytes = 0; // sends this many bytes of filler without a stated length
    };

    SruResponder() {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        if (!m_server.listen(QHostAddress::LocalHost))
            qFatal("responder: cannot listen");
    }

    QString address(const QString& path = QStringLiteral("/sru/dnb")) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    quint16 port() const { return m_server.serverPort(); }
    void setReply(const Reply& reply) { m_reply = reply; }
    void hang() {
        m_reply = Reply();
        m_reply.silent = true;
    }
    // A reply for one path only, before the one set for all.
    void setReplyFor(const QString& path, const Reply& reply) { m_byPath.insert(path, reply); }
    void answer(const QByteArray& xml) { m_reply = Reply{200, "OK", xml, {{"Content-Type", "application/xml"}}}; }

    // The request lines and headers received so far, one entry per request.
    const QList<QByteArray>& requests() const { return m_requests; }
    QUrl lastUrl() const {
        if (m_requests.isEmpty())
            return {};
        const QList<QByteArray> line = m_requests.last().left(m_requests.last().indexOf('\r')).split(' ');
        return QUrl(QString::fromLatin1(line.value(1)));
    }

private:
    void onRead(QTcpSocket* s) {
        QByteArray& buffer = m_buffers[s];
        buffer += s->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_requests << buffer.left(end);
        m_buffers.remove(s);
        const Reply reply = m_byPath.value(lastUrl().path(), m_reply);
        if (reply.silent)
            return; // the socket stays open until the client gives up
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
        for (const auto& [name, value] : reply.headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n";
        if (reply.streamBytes == 0)
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        head += "\r\n";
        s->write(head);
        if (reply.streamBytes > 0) {
            const QByteArray chunk(64 * 1024, 'x');
            for (qint64 sent = 0; sent < reply.streamBytes && s->state() == QAbstractSocket::ConnectedState;
                 sent += chunk.size()) {
                s->write(chunk);
            }
        } else {
            s->write(reply.body);
        }
        s->disconnectFromHost();
    }

    QTcpServer m_server;
    Reply m_reply;
    QHash<QString, Reply> m_byPath;
    QList<QByteArray> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace lesaro::testing
