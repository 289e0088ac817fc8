#include "shell/LoopbackHttpServer_support.h"

#include <QTcpSocket>

LoopbackHttpServer::LoopbackHttpServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      auto* buffer = new QByteArray;
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
      QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        if (!buffer->contains("\r\n\r\n")) return;
        const QList<QByteArray> request = buffer->left(buffer->indexOf("\r\n")).split(' ');
        const QString path = QString::fromLatin1(request.value(1));
        counts_[path] += 1;
        const Answer answer = answers_.value(path, Answer{404, QByteArray("not found")});
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\n";
        reply += "Content-Type: application/xml\r\nConnection: close\r\n";
        reply += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n\r\n";
        reply += answer.body;
        socket->write(reply);
        socket->disconnectFromHost();
      });
    }
  });
}

void LoopbackHttpServer::serve(const QString& path, int status, const QByteArray& body) {
  answers_.insert(path, Answer{status, body});
}

QUrl LoopbackHttpServer::url(const QString& path) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}
