#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <string>
#include <vector>

namespace testsupport {

// A one-page HTTP server on a free loopback port, served by the Qt event loop of the test's thread
// (the client under test runs a local loop while it waits). It answers every GET with the status and
// body set, or, when silent, accepts the connection and never answers.
class LocalHttpServer {
public:
    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Serve(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    unsigned Port() const { return server_.serverPort(); }
    std::string Host() const { return "127.0.0.1:" + std::to_string(Port()); }
    std::string Url(const std::string& path) const { return "http://" + Host() + path; }

    void Answer(int status, std::string body) {
        status_ = status;
        body_ = std::move(body);
    }
    void SetSilent(bool silent) { silent_ = silent; }
    // The request lines seen, "GET /path?query HTTP/1.1", and each request's User-Agent.
    const std::vector<std::string>& Requests() const { return requests_; }
    const std::vector<std::string>& Agents() const { return agents_; }

private:
    void Serve(QTcpSocket* socket) {
        request_ += socket->readAll();
        const qsizetype end = request_.indexOf("\r\n\r\n");
        if (end < 0) return;
        const QByteArray head = request_.left(end);
        request_.clear();
        requests_.push_back(head.left(head.indexOf("\r\n")).toStdString());
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith("user-agent:"))
                agents_.push_back(line.mid(11).trimmed().toStdString());
        if (silent_) return;
        const std::string reply =
            "HTTP/1.1 " + std::to_string(status_) + " Status\r\nContent-Type: text/plain\r\n" +
            "Content-Length: " + std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
        socket->write(reply.data(), static_cast<qint64>(reply.size()));
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QByteArray request_;
    int status_ = 200;
    std::string body_;
    bool silent_ = false;
    std::vector<std::string> requests_;
    std::vector<std::string> agents_;
};

// A loopback port nobody listens on: connections to it are refused at once.
inline unsigned RefusingPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace testsupport
