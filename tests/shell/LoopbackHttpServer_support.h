#pragma once
// A tiny HTTP server on 127.0.0.1 for tests: fixed answers by path.
#include <QByteArray>
#include <QHash>
#include <QTcpServer>
#include <QUrl>

class LoopbackHttpServer : public QObject {
 public:
  LoopbackHttpServer();
  void serve(const QString& path, int status, const QByteArray& body);
  QUrl url(const QString& path) const;
  int requestCount(const QString& path) const { return counts_.value(path); }
  void close() { server_.close(); }

 private:
  struct Answer { int status; QByteArray body; };
  QTcpServer server_;
  QHash<QString, Answer> answers_;
  QHash<QString, int> counts_;
};
