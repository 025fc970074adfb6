#include "catalogue/sru/TitleLookup.h"

#include "catalogue/rules/SruResponse.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace lesaro {

namespace {

QString networkFailure(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("die Verbindung wurde abgelehnt");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("der Rechner wurde nicht gefunden");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("der Dienst hat die Verbindung getrennt");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("die sichere Verbindung kam nicht zustande");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("zu viele Weiterleitungen");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("Weiterleitung auf eine unsichere Adresse");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("der Proxy-Server ist nicht erreichbar");
    default:
        return QStringLiteral("Netzwerkfehler %1").arg(int(error));
    }
}

} // namespace

TitleLookup::TitleLookup(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TitleLookup::onTimeout);
    // Redirects are looked at one by one (onRedirected), never followed blindly.
    m_network->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

TitleLookup::~TitleLookup() {
    stopReply();
}

void TitleLookup::start(const QList<SruService>& services, const QString& isbn) {
    stopReply();
    m_services.clear();
    for (const SruService& s : services) {
        if (!s.address.trimmed().isEmpty())
            m_services << s;
    }
    m_isbn = isbn;
    m_next = 0;
    m_firstFailure.clear();
    if (m_services.isEmpty()) {
        finish({Outcome::Failed,
                {},
                QStringLiteral("Es ist kein Titeldaten-Dienst eingetragen. Bitte in den Optionen auf der Seite "
                               "„Titeldaten“ eine Adresse eintragen."),
                {}});
        return;
    }
    // One limit for the whole lookup, however many services are asked: the librarian hears within it.
    m_timer->start(m_timeoutMs);
    askNext();
}

void TitleLookup::askNext() {
    while (m_next < m_services.size()) {
        const SruService& service = m_services[m_next];
        QString error;
        m_url = SruQuery::requestUrl(service, m_isbn, &error);
        if (m_url.isEmpty()) {
            if (m_firstFailure.isEmpty())
                m_firstFailure = error;
            ++m_next;
            continue;
        }
        QNetworkRequest request(m_url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
        request.setMaximumRedirectsAllowed(5);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Lesaro"));
        request.setRawHeader("Accept", "application/xml, text/xml");
        // Qt would name the system's languages here; a fixed value tells the service nothing of the computer.
        request.setRawHeader("Accept-Language", "de");
        m_body.clear();
        m_replyFailed = false;
        m_reply = m_network->get(request);
        connect(m_reply, &QNetworkReply::metaDataChanged, this, &TitleLookup::onMetaData);
        connect(m_reply, &QNetworkReply::readyRead, this, &TitleLookup::onReadyRead);
        connect(m_reply, &QNetworkReply::redirected, this, &TitleLookup::onRedirected);
        connect(m_reply, &QNetworkReply::finished, this, &TitleLookup::onFinished);
        return;
    }
    if (m_firstFailure.isEmpty())
        finish({Outcome::NothingFound, {}, nothingFoundMessage(), {}});
    else
        finish({Outcome::Failed, {}, m_firstFailure, {}});
}

void TitleLookup::onMetaData() {
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > kMaximumBytes)
        failReply(QStringLiteral("Die Antwort des Titeldaten-Dienstes ist größer als 5 MB und wurde verworfen."));
}

void TitleLookup::onReadyRead() {
    // Read as it arrives and count, so that an answer without a stated length cannot fill the memory.
    m_body += m_reply->read(kMaximumBytes + 1 - m_body.size());
    if (m_body.size() > kMaximumBytes)
        failReply(QStringLiteral("Die Antwort des Titeldaten-Dienstes ist größer als 5 MB und wurde verworfen."));
}

void TitleLookup::onRedirected(const QUrl& url) {
    const QUrl target = m_url.resolved(url);
    const bool sameHost = target.host().compare(m_url.host(), Qt::CaseInsensitive) == 0;
    const bool secure = m_url.scheme() != u"https" || target.scheme() == u"https";
    if (sameHost && secure) {
        Q_EMIT m_reply->redirectAllowed();
        return;
    }
    failReply(QStringLiteral("Der Titeldaten-Dienst leitet die Anfrage an einen anderen Rechner weiter (%1). Die "
                             "Weiterleitung wurde nicht befolgt; bitte die Adresse in den Optionen prüfen.")
                  .arg(target.host().isEmpty() ? target.toDisplayString() : target.host()));
}

void TitleLookup::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    const QNetworkReply::NetworkError error = reply->error();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 || (status == 0 && error != QNetworkReply::NoError)) {
        if (status >= 300) {
            // The status line's own words are the server's English; the number says it all.
            failReply(QStringLiteral("Der Titeldaten-Dienst antwortete mit dem HTTP-Fehler %1.").arg(status));
        } else {
            failReply(QStringLiteral("Der Titeldaten-Dienst (%1) ist nicht erreichbar: %2. Besteht eine Verbindung "
                                     "zum Internet?")
                          .arg(m_url.host(), networkFailure(error)));
        }
        return;
    }
    if (error != QNetworkReply::NoError) {
        failReply(QStringLiteral("Die Antwort des Titeldaten-Dienstes kam nicht vollständig an: %1.")
                      .arg(networkFailure(error)));
        return;
    }
    onReadyRead();
    if (m_replyFailed)
        return;
    const QByteArray body = m_body;
    stopReply();
    const SruAnswer answer = SruResponse::parse(body, m_isbn);
    if (!answer.ok()) {
        if (m_firstFailure.isEmpty())
            m_firstFailure = answer.error;
        ++m_next;
        askNext();
        return;
    }
    if (answer.records.isEmpty()) {
        ++m_next;
        askNext();
        return;
    }
    finish({Outcome::Found, answer.records, {}, {}});
}

void TitleLookup::onTimeout() {
    if (!running())
        return;
    stopReply();
    finish({Outcome::Failed,
            {},
            QStringLiteral("Der Titeldaten-Dienst hat nicht rechtzeitig geantwortet. Bitte später noch einmal "
                           "versuchen."),
            {}});
}

void TitleLookup::failReply(const QString& message) {
    m_replyFailed = true;
    stopReply();
    if (m_firstFailure.isEmpty())
        m_firstFailure = message;
    ++m_next;
    askNext();
}

void TitleLookup::stopReply() {
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void TitleLookup::cancel() {
    if (!running())
        return;
    stopReply();
    finish({Outcome::Cancelled, {}, {}, {}});
}

void TitleLookup::finish(Result result) {
    m_timer->stop();
    result.isbn = m_isbn;
    Q_EMIT finished(result);
}

} // namespace lesaro
