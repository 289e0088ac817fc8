#pragma once
// The main program's start: per-user settings, the interface language from the
// argument or the stored choice, the hand-over to the launcher, the power
// assertion, then the application run loop.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

extern uint32_t assertionID;

inline constexpr const char* kLoaderFlag = "*loaderflag*";
inline constexpr const char* kAppBundleIdentifier = "com.quorvan.clone";

bool PreventSleep();
void setCurLanguage(const char* code);
QString GetLoaderLanguage(const QString& code);
// Opens the launcher bundle (three path components above our bundle).
bool ZZManRunLoader();
QString launcherBundlePath();

// Steps before the run loop. `arguments` are the process's arguments without the
// program name. Returns the status to exit with at once, or -1 to go on into
// the run loop. `runLoader` stands for ZZManRunLoader (tests substitute it).
int runStartSequence(const QStringList& arguments, const std::function<bool()>& runLoader = ZZManRunLoader);

int qdcMain(int argc, char** argv);
