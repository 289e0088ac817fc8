#pragma once
// NfrLoader: obtains the administrator right and starts the main program with
// it, handing on the user's language.
#include <QString>
#include <QStringList>

// <launcher bundle>/Contents/MacOS/Quorvan Disk Clone.app/Contents/MacOS/Quorvan Disk Clone
QString mainProgramPathInBundle(const QString& launcherBundlePath);

class RunScript {
 public:
  // The marker that tells the main program it was started by the launcher.
  static constexpr const char* kLoaderFlag = "*loaderflag*";

  // 0 when the main program was started, else the first failing Authorization
  // Services status; nothing is started then.
  static int RunTool(const QString& path);
  // The language code for the main program, from the console user's
  // "AppleLanguages", else the system's first preferred language.
  static QString GetCurrentLanaguage();

  // The derivation from a recorded language list (first entry wins); an empty
  // list hands on the system's first preferred language unchanged.
  static QString languageForMainProgram(const QStringList& userLanguages,
                                        const QStringList& systemLanguages);
};
