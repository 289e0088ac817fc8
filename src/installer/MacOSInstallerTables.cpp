#include "installer/MacOSInstallerTables.h"

#include <initializer_list>

QList<MacOSInstallerAppInfoPtr> MacOSKnownInstallers() {
  struct Known { const char* name; const char* bundle; const char* version; const char* appId; };
  static const Known kKnown[] = {
      {"Sequoia", "com.apple.InstallAssistant.macOSSequoia", "macOS 15", "6596773750"},
      {"Sonoma", "com.apple.InstallAssistant.macOSSonoma", "macOS 14", "6450717509"},
      {"Ventura", "com.apple.InstallAssistant.macOSVentura", "macOS 13", "1638787999"},
      {"Monterey", "com.apple.InstallAssistant.macOSMonterey", "macOS 12", "1576738294"},
      {"Big Sur", "com.apple.InstallAssistant.macOSBigSur", "macOS 11", "1526878132"},
      {"Catalina", "com.apple.InstallAssistant.Catalina", "macOS 10.15", "1466841314"},
      {"Mojave", "com.apple.InstallAssistant.Mojave", "macOS 10.14", "1398502828"},
      {"High Sierra", "com.apple.InstallAssistant.HighSierra", "macOS 10.13", "1246284741"},
      {"Tahoe 26", "com.apple.InstallAssistant.macOSTahoe", "macOS 26", "23A344017"},
  };
  QList<MacOSInstallerAppInfoPtr> list;
  for (const Known& k : kKnown) {
    list.append(MacOSInstallerAppInfo::getAppInfoWithName(
        QString::fromLatin1(k.name), QString::fromLatin1(k.bundle), QString::fromLatin1(k.version),
        QString::fromLatin1(k.appId)));
  }
  return list;
}

namespace {

// Fragments of createinstallmedia's output, matched without regard to case.
const char* const E1 = "Erasing disk: 0%... 10%... 20%... 30%... 100%";
const char* const E2 = "Erasing disk: 0%... 10%... 20%...";
const char* const E3 = "Erasing disk: 0%... 10%... 20%... 30%...";
const char* const E4 = "Erasing disk: 0%... 10%... 20%... 30%... 100%...";
const char* const S1 = "Copying essential files...";
const char* const S2 = "Copying the macOS RecoveryOS...";
const char* const S3 = "Making disk bootable...";
const char* const S4 = "Copying boot files...";
const char* const S5 = "Copying installer files to disk...";
const char* const C0 = "Copying to disk: 0%...";
const char* const C1 = "Copying to disk: 0%... 10%...";
const char* const C2 = "Copying to disk: 0%... 10%... 20%...";
const char* const C3 = "Copying to disk: 0%... 10%... 20%... 30%...";
const char* const P4 = " 40%...";
const char* const P5 = " 50%...";
const char* const P6 = " 60%...";
const char* const P7 = " 70%...";
const char* const P8 = " 80%...";
const char* const P9 = " 90%...";
const char* const PA = " 90%... 100%...";
const char* const PB = " 90%... 100%";
const char* const F1 = "Install media now available at";
const char* const F2 = "Copy complete.";
const char* const F3 = "Done.";

struct Row { const char* text; int current; int next; };

MacOSStepTable table(std::initializer_list<Row> rows) {
  MacOSStepTable t;
  for (const Row& r : rows)
    t.append(MacOSCreateProaress::progresswithText(QString::fromLatin1(r.text), r.current, r.next));
  return t;
}

}  // namespace

MacOSStepTables MacOSBuildStepTables() {
  MacOSStepTables d;
  d.insert("macOS Sequoia",
           table({{E1, 0, 0}, {S1, 0, 1}, {S2, 1, 15}, {S3, 15, 15}, {C0, 15, 16}, {C1, 15, 22},
                  {C2, 22, 30}, {C3, 30, 39}, {P4, 39, 48}, {P5, 48, 57}, {P6, 57, 66},
                  {P7, 66, 74}, {P8, 74, 83}, {P9, 83, 92}, {PA, 92, 100}, {F1, 100, 100}}));
  d.insert("macOS Sonoma",
           table({{E1, 0, 0}, {S1, 0, 1}, {S2, 1, 17}, {S3, 17, 17}, {C0, 17, 18}, {C1, 18, 23},
                  {C2, 23, 31}, {C3, 30, 40}, {P4, 40, 47}, {P5, 47, 57}, {P6, 57, 65},
                  {P7, 65, 74}, {P8, 74, 83}, {P9, 83, 92}, {PA, 92, 100}, {F1, 100, 100}}));
  d.insert("macOS Ventura",
           table({{E1, 0, 0}, {S1, 1, 2}, {S2, 2, 18}, {S3, 18, 19}, {C0, 19, 20}, {C1, 20, 25},
                  {C2, 25, 32}, {C3, 32, 40}, {P4, 40, 49}, {P5, 49, 57}, {P6, 57, 65},
                  {P7, 65, 74}, {P8, 74, 83}, {P9, 83, 91}, {PA, 91, 100}, {F1, 100, 100}}));
  d.insert("macOS Monterey",
           table({{E1, 0, 0}, {S3, 0, 17}, {C0, 17, 19}, {C1, 19, 23}, {C2, 23, 31},
                  {C3, 31, 49}, {P4, 39, 49}, {P5, 49, 57}, {P6, 57, 65}, {P7, 65, 74},
                  {P8, 74, 83}, {P9, 83, 92}, {PA, 92, 100}, {F1, 100, 100}}));
  d.insert("macOS Big Sur",
           table({{E1, 0, 0}, {C0, 1, 5}, {C1, 5, 10}, {C2, 10, 17}, {C3, 17, 27}, {P4, 27, 37},
                  {P5, 37, 48}, {P6, 48, 59}, {P7, 59, 70}, {P8, 70, 81}, {P9, 81, 92},
                  {PA, 92, 92}, {S3, 92, 100}, {F1, 100, 100}}));
  d.insert("macOS Catalina",
           table({{E1, 2, 2}, {C0, 2, 13}, {C1, 13, 23}, {C2, 23, 34}, {C3, 34, 43}, {P4, 43, 52},
                  {P5, 52, 60}, {P6, 60, 72}, {P7, 72, 80}, {P8, 80, 89}, {P9, 89, 98},
                  {PA, 98, 99}, {S3, 99, 99}, {S4, 99, 100}, {F1, 100, 100}}));
  d.insert("macOS Mojave",
           table({{E1, 1, 2}, {C0, 2, 13}, {C1, 13, 23}, {C2, 23, 33}, {C3, 33, 43}, {P4, 43, 53},
                  {P5, 53, 61}, {P6, 61, 71}, {P7, 71, 81}, {P8, 81, 91}, {P9, 91, 98},
                  {PA, 98, 99}, {S3, 99, 99}, {S4, 99, 100}, {F1, 100, 100}}));
  d.insert("macOS High Sierra",
           table({{E2, 1, 79}, {E3, 79, 89}, {E4, 89, 90}, {S5, 90, 95}, {S3, 95, 97},
                  {S4, 97, 98}, {F2, 98, 100}, {F3, 100, 100}}));
  d.insert("macOS Tahoe 26",
           table({{E1, 0, 20}, {S1, 20, 30}, {S2, 30, 40}, {S3, 40, 50}, {C0, 35, 40},
                  {C1, 40, 45}, {C2, 45, 50}, {C3, 50, 55}, {P4, 55, 60}, {P5, 60, 65},
                  {P6, 65, 70}, {P7, 70, 75}, {P8, 75, 80}, {P9, 80, 98}, {PB, 98, 99},
                  {F1, 99, 100}}));
  return d;
}
