#include "platform/ui/Http.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace ui {

bool HttpGet(const THttpRequest& request, const THttpReceiver& receive) {
    QNetworkAccessManager manager;
    QNetworkRequest networkRequest(QUrl(QString::fromStdString(request.url)));
    if (!request.userAgent.empty())
        networkRequest.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(request.userAgent));
    // A redirect would take another round trip the time-out does not expect; the site serves directly.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(networkRequest));

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray piece = reply->readAll();
        if (receive && !piece.isEmpty()) receive(std::string_view(piece.constData(), piece.size()));
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(request.timeoutMs);
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (timedOut) {
        reply->abort();
        return false;
    }
    const QByteArray rest = reply->readAll();
    if (receive && !rest.isEmpty()) receive(std::string_view(rest.constData(), rest.size()));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
}

} // namespace ui
