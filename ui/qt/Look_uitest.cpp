// How the window and its boxes look: the link's drawn colour on light and
// dark palettes, boxes shown before the window, the results list's frame at
// fractional scales, and the titles the window system gets.
#include <QDialog>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>
#include <functional>

#include "QtDialogs.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

class Look : public WindowTest {
 protected:
  // The window's picture of a control, in screen pixels.
  QImage PictureOf(QWidget* control) {
    const QRect area(control->mapTo(window.get(), QPoint(0, 0)), control->size());
    return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
  }

  static int CountPixels(const QImage& picture, const std::function<bool(QColor)>& which) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) count += which(picture.pixelColor(x, y)) ? 1 : 0;
    return count;
  }
};

// Runs this test program again in env with only the tests of filter, under
// the wrapper command if one is given; true when they all ran and passed.
// Their output goes to the log.
bool RunAgain(const QStringList& wrapper, const QString& filter, const QProcessEnvironment& env, QString& log) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::MergedChannels);
  QStringList command = wrapper;
  command << QCoreApplication::applicationFilePath() << QStringLiteral("--gtest_filter=") + filter;
  process.start(command.first(), command.mid(1));
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    log = QStringLiteral("did not finish");
    return false;
  }
  log = QString::fromLocal8Bit(process.readAll());
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
         !log.contains(QStringLiteral("[  SKIPPED ]")) && log.contains(QStringLiteral("[  PASSED  ]"));
}

bool Navy(QColor c) { return c == QColor(0x00, 0x00, 0x80); }

// The link is drawn navy on the light window: the underline is navy
// throughout, no pixel of the caption is black or grey.
TEST_F(Look, LinkIsDrawnNavyOnALightBackground) {
  StartEmpty();
  const QImage picture = PictureOf(window->lKelvaraLink);
  EXPECT_GT(CountPixels(picture, Navy), window->lKelvaraLink->width() / 2);
  // Every pixel is navy blended into the background (the corner's colour),
  // none black or grey.
  const QColor back = picture.pixelColor(0, 0);
  EXPECT_EQ(CountPixels(picture,
                        [&back](QColor c) {
                          const double t = double(c.red()) / back.red();  // 0 navy .. 1 background
                          const double green = t * back.green();
                          const double blue = 0x80 * (1 - t) + t * back.blue();
                          return std::abs(c.green() - green) > 8 || std::abs(c.blue() - blue) > 8;
                        }),
            0);
  EXPECT_EQ(window->lKelvaraLink->palette().color(QPalette::WindowText), QColor(0, 0, 128));
}

// On a dark palette the link takes the palette's link colour, and navy again
// when the palette turns light.
TEST_F(Look, LinkTakesThePalettesLinkColourOnADarkBackground) {
  StartEmpty();
  const QPalette light = window->palette();
  QPalette dark = light;
  for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
    dark.setColor(role, QColor(0x30, 0x30, 0x30));
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    dark.setColor(role, QColor(0xE0, 0xE0, 0xE0));
  const QColor link(0x80, 0xB0, 0xFF);
  dark.setColor(QPalette::Link, link);
  window->setPalette(dark);
  QApplication::processEvents();
  QImage picture = PictureOf(window->lKelvaraLink);
  EXPECT_GT(CountPixels(picture, [&](QColor c) { return c == link; }), window->lKelvaraLink->width() / 2);
  EXPECT_EQ(CountPixels(picture, Navy), 0);
  EXPECT_EQ(window->lKelvaraLink->palette().color(QPalette::WindowText), link);

  window->setPalette(light);
  QApplication::processEvents();
  picture = PictureOf(window->lKelvaraLink);
  EXPECT_GT(CountPixels(picture, Navy), window->lKelvaraLink->width() / 2);
  EXPECT_EQ(CountPixels(picture, [&](QColor c) { return c == link; }), 0);
}

// Boxes shown while the window is not on screen yet are centred on the
// screen it will open on; once it is shown they open over it.
TEST_F(Look, BoxesBeforeTheWindowAreCentredOnItsScreen) {
  window = std::make_unique<TfMain>(&dialogs);
  ASSERT_FALSE(window->isVisible());
  if (!window->screen()->availableGeometry().contains(QRect(QPoint(0, 0), window->size() + QSize(20, 20))))
    GTEST_SKIP() << "the screen is smaller than the window";
  TQtDialogs boxes(window.get());
  const QPoint screenCentre = window->screen()->availableGeometry().center();
  QPoint seen;
  QString seenTitle;
  auto answerNextBox = [&seen, &seenTitle] {
    QTimer::singleShot(0, [&seen, &seenTitle] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      seen = box->frameGeometry().center();
      seenTitle = box->windowTitle();
      static_cast<QDialog*>(box)->reject();
    });
  };
  answerNextBox();
  boxes.MessageBox(TMessageKind::Error, "Error", "The help file cannot be opened:\nsomewhere/veltaro.chm");
  EXPECT_EQ(seenTitle, "Error");
  EXPECT_LE((seen - screenCentre).manhattanLength(), 8) << seen.x() << "," << seen.y();
  answerNextBox();
  boxes.MessageBox(TMessageKind::Information, "Information", "A short note.");
  EXPECT_LE((seen - screenCentre).manhattanLength(), 8) << seen.x() << "," << seen.y();
  std::string text;
  answerNextBox();
  EXPECT_FALSE(boxes.InputQuery("New variable", "Enter the label of the new variable:", text));
  EXPECT_LE((seen - screenCentre).manhattanLength(), 8) << seen.x() << "," << seen.y();

  // With the window shown elsewhere, a box opens over the window.
  window->show();
  window->move(window->screen()->availableGeometry().topLeft() + QPoint(10, 10));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  answerNextBox();
  boxes.MessageBox(TMessageKind::Error, "Error", "Invalid label");
  EXPECT_LE((seen - window->frameGeometry().center()).manhattanLength(), 8) << seen.x() << "," << seen.y();
}

// Drawn at any scale, the results list keeps its whole frame: along its top
// and its left edge, the screen pixels where the edge falls hold a line that
// is neither the panel's colour nor the list's white.
TEST_F(Look, ResultsListKeepsItsTopBorderAtThisScale) {
  StartEmpty();
  QPlainTextEdit* list = window->mResults;
  if (std::abs(2 * window->devicePixelRatioF() - std::round(2 * window->devicePixelRatioF())) > 1e-9)
    GTEST_SKIP() << "frames are aligned at whole and half scales only";
  const QImage picture = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const double ratio = picture.devicePixelRatio();
  const QColor panel = window->palette().color(window->pResult->backgroundRole());
  const QColor base = list->palette().color(QPalette::Base);
  const QPoint topLeft = list->mapTo(window.get(), QPoint(0, 0));
  auto isLine = [&](QColor c) { return c != panel && c != base; };
  // The screen pixels that the window pixel at edge touches, and one more.
  auto touched = [ratio](int edge) {
    return std::pair{int(std::floor(edge * ratio)), int(std::ceil((edge + 1) * ratio))};
  };
  for (const double across : {0.25, 0.5, 0.75}) {
    const int x = int((topLeft.x() + across * list->width()) * ratio);
    const auto [first, last] = touched(topLeft.y());
    bool line = false;
    for (int y = first; y <= last; ++y) line = line || isLine(picture.pixelColor(x, y));
    EXPECT_TRUE(line) << "top edge at x " << x << ", rows " << first << ".." << last << ", scale " << ratio;
  }
  for (const double down : {0.25, 0.5, 0.75}) {
    const int y = int((topLeft.y() + down * list->height()) * ratio);
    const auto [first, last] = touched(topLeft.x());
    bool line = false;
    for (int x = first; x <= last; ++x) line = line || isLine(picture.pixelColor(x, y));
    EXPECT_TRUE(line) << "left edge at y " << y << ", columns " << first << ".." << last << ", scale " << ratio;
  }
}

TEST(LookScaled, ResultsListKeepsItsTopBorderAtFractionalScales) {
  if (QGuiApplication::platformName() != QStringLiteral("offscreen")) GTEST_SKIP() << "drawn offscreen only";
  if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) GTEST_SKIP() << "runs the others";
  for (const char* scale : {"1.5", "2", "3"}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QString log;
    EXPECT_TRUE(RunAgain({}, QStringLiteral("Look.ResultsList*"), env, log))
        << "scale " << scale << "\n"
        << log.toStdString();
  }
}

// On a real X display: the titles the window system shows are exactly the
// ones the program sets, once the application is named as the program
// names it.
class OnDisplay : public WindowTest {};

// The title the X server holds for a window.
QString DisplayedTitle(QWidget* widget) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(widget->winId()),
                                        QStringLiteral("-notype"), QStringLiteral("_NET_WM_NAME")});
  if (!xprop.waitForFinished(10000)) return QStringLiteral("(xprop did not answer)");
  const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  const qsizetype open = out.indexOf(QLatin1Char('"'));
  return open < 0 ? out : out.mid(open + 1).chopped(1);
}

TEST_F(OnDisplay, WindowTitlesAreExactlyTheProgramsOwn) {
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "needs an X display";
  if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty()) GTEST_SKIP() << "needs xprop";
  NameApplication(*QCoreApplication::instance());
  // Without a window manager the window is shown but never activated.
  window = std::make_unique<TfMain>(&dialogs);
  window->SetStartup(Dir() + "/missing.vlt", Dir());
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTest::qWait(200);
  EXPECT_EQ(DisplayedTitle(window.get()), "Veltaro");

  TQtDialogs boxes(window.get());
  QStringList titles;
  auto readNextBox = [&titles] {
    QTimer::singleShot(300, [&titles] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      titles << DisplayedTitle(box);
      static_cast<QDialog*>(box)->reject();
    });
  };
  readNextBox();
  boxes.MessageBox(TMessageKind::Error, "Error", "Invalid label");
  readNextBox();
  boxes.MessageBox(TMessageKind::Information, "Information", "A note");
  readNextBox();
  std::string text;
  boxes.InputQuery("New variable", "Enter the label of the new variable:", text);
  EXPECT_EQ(titles, (QStringList{"Error", "Information", "New variable"}));
}

TEST(OnDisplayRun, WindowTitlesOnAnXDisplay) {
  if (qEnvironmentVariableIsSet("VELTARO_ON_DISPLAY")) GTEST_SKIP() << "runs the others";
  const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
  if (xvfbRun.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
    GTEST_SKIP() << "needs xvfb-run and xprop";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("VELTARO_ON_DISPLAY"), QStringLiteral("1"));
  env.remove(QStringLiteral("QT_SCALE_FACTOR"));
  QString log;
  EXPECT_TRUE(RunAgain({xvfbRun, QStringLiteral("-a"), QStringLiteral("-s"),
                        QStringLiteral("-screen 0 1600x1000x24 -dpi 100")},
                       QStringLiteral("OnDisplay.*"), env, log))
      << log.toStdString();
}

}  // namespace
}  // namespace veltaro::testing_support
