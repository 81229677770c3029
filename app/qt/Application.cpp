#include "app/qt/Application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>

#include "app/Layout.h"
#include "app/qt/ProgramIcon.h"
#include "app/qt/SjisText.h"

void PrepareApplication() {
  // The layout is in client pixels and must not grow with the screen's
  // resolution; an inherited scale factor would enlarge it as well.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

void SetupApplication() {
  QCoreApplication::setApplicationName(ApplicationTitle());
  // The families that stand in for the dialog's font where it is missing.
  QFont::insertSubstitutions(DecodeSjis(Form1FontName),
                             {QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"),
                              QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic"),
                              QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("Noto Sans CJK JP")});
  QApplication::setWindowIcon(ProgramIcon());
}

QString ApplicationTitle() { return DecodeSjis(ApplicationTitleText); }
