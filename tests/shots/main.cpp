// qdc-shots OUTDIR [--lang CODE] [--check] [TOOL…]: remakes the screen pictures
// from the real screens, in English or in the language CODE, and names every
// text a picture shows cut, elided or drawn over another; with --check such a
// text fails the run.
#include "Shots.h"
#include "TextFit.h"
#include "services/Localization.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cstdio>
#include <map>
#include <vector>

namespace shots {
namespace {
std::map<QString, std::vector<Maker>>& makers() {
  static std::map<QString, std::vector<Maker>> m;
  return m;
}

int& textFaults() {
  static int count = 0;
  return count;
}
}  // namespace

Registrar::Registrar(const char* tool, Maker maker) { makers()[QString::fromUtf8(tool)].push_back(std::move(maker)); }

bool save(const ScreenDriver& driver, const QString& outDir, const QString& name) {
  const QString file = outDir + "/" + name + ".png";
  if (!driver.waitStill()) std::fprintf(stderr, "%s: still moving\n", qPrintable(name));
  const bool ok = driver.saveShot(file);
  std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
  for (const textfit::Fault& fault : textfit::faultsOnScreen()) {
    std::fprintf(stderr, "%s: text does not fit: %s\n", qPrintable(name), qPrintable(textfit::describe(fault)));
    ++textFaults();
  }
  return ok;
}

}  // namespace shots

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform says so at every raise; that is no news for pictures.
  static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    if (previous) previous(type, context, message);
  });
  QApplication app(argc, argv);
  const auto usage = [] {
    std::fprintf(stderr, "usage: qdc-shots OUTDIR [--lang CODE] [--check] [TOOL…]\n");
    return 2;
  };
  if (argc < 2) return usage();
  const QString outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QStringList wanted;
  bool check = false;
  for (int i = 2; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--check")) {
      check = true;
      continue;
    }
    if (arg != QLatin1String("--lang")) {
      wanted << arg;
      continue;
    }
    if (++i == argc) return usage();
    const QString code = QString::fromLocal8Bit(argv[i]);
    const QString table = QStringLiteral(QDC_BUILD_APP_BUNDLE "/Contents/Resources/") + code + ".lproj";
    if (!MainBundle::isValidLanguageCode(code) || !QFileInfo(table).isDir()) {
      std::fprintf(stderr, "qdc-shots: no string table for the language \"%s\"\n", argv[i]);
      return 2;
    }
    ScreenDriver::setStartLanguage(code);
  }
  QDir().mkpath(outDir);
  for (const auto& [tool, list] : shots::makers()) {
    if (!wanted.isEmpty() && !wanted.contains(tool)) continue;
    for (const shots::Maker& make : list) make(outDir);
  }
  if (shots::textFaults() > 0) std::fprintf(stderr, "qdc-shots: %d texts do not fit\n", shots::textFaults());
  return check && shots::textFaults() > 0 ? 1 : 0;
}
