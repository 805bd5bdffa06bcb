// The help window as a person uses it: its contents, index and search
// panes, find in the page, its keys, its place on the screen and its
// pictures, all through the real controls of the viewer loaded from its
// file, against the compiled help file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTableWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ChmArchive.h"
#include "HelpPlacement.h"
#include "Platform.h"

namespace veltaro {
namespace {

THtmlHelpA Entry() {
  static void* library = dlopen(VELTARO_VIEWER_FILE, RTLD_NOW | RTLD_LOCAL);
  return library ? reinterpret_cast<THtmlHelpA>(dlsym(library, "HtmlHelpA")) : nullptr;
}

QWidget* AsWindow(TWindowHandle handle) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == handle) return w;
  }
  return nullptr;
}

template <typename T>
T* Part(QWidget* window, const char* name) {
  T* part = window ? window->findChild<T*>(name) : nullptr;
  EXPECT_NE(part, nullptr) << name;
  return part;
}

QString Title(QWidget* window) { return window->findChild<QTextBrowser*>("topic")->documentTitle(); }

// The scale a child process runs at ("1.5", "2"); empty in the parent.
QString ChildScale() { return qEnvironmentVariable("VELTARO_SCALED_CHILD"); }

// Pictures taken in a child at a larger scale get it in their names ("-2x").
QString PictureName(QString name) {
  const QString scale = ChildScale();
  if (!scale.isEmpty() && scale != "1") name.replace(".png", "-" + scale + "x.png");
  return name;
}

void SavePicture(QWidget* window, QString name) {
  name = PictureName(name);
  QDir().mkpath(VELTARO_PICTURE_DIR);
  QApplication::processEvents();
  EXPECT_TRUE(window->grab().save(QString(VELTARO_PICTURE_DIR) + "/" + name)) << name.toStdString();
}

void Click(QWidget* widget, const QPoint& at) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
  QApplication::processEvents();
}

QTreeWidgetItem* ContentsItem(QTreeWidget* tree, const QString& name) {
  const QList<QTreeWidgetItem*> found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->scrollToItem(item);
  Click(tree->viewport(), tree->visualItemRect(item).center());
}

void ClickItem(QListWidget* list, QListWidgetItem* item) {
  list->scrollToItem(item);
  Click(list->viewport(), list->visualItemRect(item).center());
}

class HelpWindowUse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(Entry(), nullptr) << dlerror(); }
  void TearDown() override {
    Entry()(nullptr, nullptr, HH_CLOSE_ALL, 0);
    delete program;
  }
  // Opens the help window the way the program does: for the desktop as the
  // caller, with the program's window on the screen.
  QWidget* Open(std::uint32_t context) {
    QWidget* window = AsWindow(Entry()(nullptr, VELTARO_HELP_FILE, HH_HELP_CONTEXT, context));
    EXPECT_NE(window, nullptr);
    if (window) {
      EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    return window;
  }
  void ShowProgram(const QRect& geometry) {
    program = new QWidget;
    program->setWindowTitle("Veltaro");
    program->setGeometry(geometry);
    program->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program));
  }
  QWidget* program = nullptr;
};

TEST_F(HelpWindowUse, EveryContentsEntryOpensItsTopic) {
  QWidget* window = Open(999);
  auto* contents = Part<QTreeWidget>(window, "contents");
  auto* topic = Part<QTextBrowser>(window, "topic");
  ASSERT_TRUE(contents && topic);
  EXPECT_TRUE(contents->isVisible());
  // The contents mark the topic shown, however it was opened.
  ASSERT_NE(contents->currentItem(), nullptr);
  EXPECT_EQ(contents->currentItem()->text(0).toStdString(), "Support free software");
  emit topic->anchorClicked(QUrl("terms.htm#invalid"));
  ASSERT_NE(contents->currentItem(), nullptr);
  EXPECT_EQ(contents->currentItem()->text(0).toStdString(), "Invalid terms");
  emit topic->anchorClicked(QUrl("smart.htm"));
  EXPECT_EQ(contents->currentItem()->text(0).toStdString(), "Smart-Calculate");
  const struct {
    const char* entry;
    const char* title;
    const char* path;
  } rows[] = {{"Keyboard", "Veltaro - keyboard", "/topics/keys.htm"},
              {"Writing terms", "Veltaro - writing terms", "/topics/terms.htm"},
              {"Invalid terms", "Veltaro - writing terms", "/topics/terms.htm"},
              {"Smart-Calculate", "Veltaro - Smart-Calculate", "/topics/smart.htm"},
              {"Variables and variable tables", "Veltaro - variables and variable tables", "/topics/variables.htm"},
              {"Installing Veltaro", "Veltaro - support free software", "/topics/support.htm"},
              {"The calculator window", "Veltaro - the calculator window", "/topics/window.htm"}};
  for (const auto& row : rows) {
    QTreeWidgetItem* item = ContentsItem(contents, row.entry);
    ASSERT_NE(item, nullptr) << row.entry;
    ClickItem(contents, item);
    EXPECT_EQ(Title(window).toStdString(), row.title) << row.entry;
    EXPECT_EQ(topic->source().path().toStdString(), row.path) << row.entry;
    EXPECT_EQ(window->windowTitle().toStdString(), row.title) << row.entry;
  }
  // An entry with a part of a topic scrolls to that part.
  ClickItem(contents, ContentsItem(contents, "Accuracy"));
  EXPECT_EQ(topic->source().fragment().toStdString(), "accuracy");
  EXPECT_GT(topic->verticalScrollBar()->value(), 0);
  EXPECT_EQ(contents->topLevelItemCount(), 5);
}

TEST_F(HelpWindowUse, IndexKeywordsAreFoundByTypingAndOpenTheirTopic) {
  QWidget* window = Open(1);
  auto* panes = Part<QTabWidget>(window, "sidePanel");
  auto* index = Part<QListWidget>(window, "index");
  auto* text = Part<QLineEdit>(window, "indexText");
  ASSERT_TRUE(panes && index && text);
  Click(panes->tabBar(), panes->tabBar()->tabRect(1).center());
  ASSERT_EQ(panes->currentIndex(), 1);
  EXPECT_GE(index->count(), 20);
  const struct {
    const char* typed;
    const char* keyword;
    const char* title;
  } rows[] = {{"inst", "Installing", "Veltaro - support free software"},
              {"KEYB", "Keyboard", "Veltaro - keyboard"},
              {"deb", "Debian package", "Veltaro - support free software"},
              {"smart", "Smart-Calculate", "Veltaro - Smart-Calculate"},
              {"inv", "Invalid terms", "Veltaro - writing terms"}};
  for (const auto& row : rows) {
    text->clear();
    text->setFocus();
    QTest::keyClicks(text, row.typed);
    ASSERT_NE(index->currentItem(), nullptr) << row.typed;
    EXPECT_EQ(index->currentItem()->text().toStdString(), row.keyword) << row.typed;
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(Title(window).toStdString(), row.title) << row.typed;
  }
  // A click on a keyword opens it too.
  const QList<QListWidgetItem*> variables = index->findItems("Variables", Qt::MatchExactly);
  ASSERT_EQ(variables.size(), 1);
  ClickItem(index, variables.first());
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - variables and variable tables");
  SavePicture(window, "help-index.png");
}

TEST_F(HelpWindowUse, SearchListsTheTopicsHoldingTheWordsAndOpensThem) {
  QWidget* window = Open(1);
  auto* panes = Part<QTabWidget>(window, "sidePanel");
  auto* text = Part<QLineEdit>(window, "searchText");
  auto* results = Part<QListWidget>(window, "searchResults");
  auto* button = Part<QPushButton>(window, "searchButton");
  ASSERT_TRUE(panes && text && results && button);
  Click(panes->tabBar(), panes->tabBar()->tabRect(2).center());
  ASSERT_EQ(panes->currentIndex(), 2);

  auto search = [&](const char* words, bool withButton) {
    text->clear();
    text->setFocus();
    QTest::keyClicks(text, words);
    if (withButton) {
      Click(button, button->rect().center());
    } else {
      QTest::keyClick(text, Qt::Key_Return);
    }
    QStringList found;
    for (int i = 0; i < results->count(); ++i) {
      if (results->item(i)->flags() & Qt::ItemIsEnabled) found << results->item(i)->text();
    }
    return found;
  };
  // Words that only one topic holds.
  EXPECT_EQ(search("amd64", false), QStringList{"Veltaro - support free software"});
  EXPECT_EQ(search("Ctrl+Shift+Delete", true), QStringList{"Veltaro - keyboard"});
  EXPECT_EQ(search("precedence", false), QStringList{"Veltaro - writing terms"});
  // Nothing found is said so, and the line cannot be opened.
  EXPECT_TRUE(search("zzyzx", false).isEmpty());
  ASSERT_EQ(results->count(), 1);
  EXPECT_EQ(results->item(0)->text().toStdString(), "No topic holds all these words.");
  // Several topics for a common word; a click opens one.
  const QStringList many = search("term", false);
  EXPECT_GE(many.size(), 3);
  search("amd64", false);
  ClickItem(results, results->item(0));
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - support free software");
  // The word searched for is selected in the topic.
  auto* topic = Part<QTextBrowser>(window, "topic");
  EXPECT_EQ(topic->textCursor().selectedText().toStdString(), "amd64");
  // Words are found by their beginning and in their other forms, the topic
  // with them in its title first.
  const QStringList variables = search("VARIAB", false);
  ASSERT_FALSE(variables.isEmpty());
  EXPECT_EQ(variables.first().toStdString(), "Veltaro - variables and variable tables");
  ClickItem(results, results->item(0));
  EXPECT_EQ(topic->textCursor().selectedText().toLower().toStdString(), "variables");
  EXPECT_EQ(search("degree", false),
            (QStringList{"Veltaro - writing terms", "Veltaro - the calculator window"}));
  ClickItem(results, results->item(1));
  EXPECT_EQ(topic->textCursor().selectedText().toStdString(), "degrees");
  search("amd64", false);
  ClickItem(results, results->item(0));
  SavePicture(window, "help-search.png");
}

TEST_F(HelpWindowUse, TheSidePanelCanBeHiddenAndShownAgain) {
  QWidget* window = Open(1);
  auto* panes = Part<QTabWidget>(window, "sidePanel");
  auto* button = Part<QToolButton>(window, "panes");
  auto* topic = Part<QTextBrowser>(window, "topic");
  ASSERT_TRUE(panes && button && topic);
  SavePicture(window, "help-contents.png");
  EXPECT_TRUE(panes->isVisible());
  const int shared = topic->width();
  Click(button, button->rect().center());
  EXPECT_FALSE(panes->isVisible());
  EXPECT_FALSE(button->isChecked());
  EXPECT_GT(topic->width(), shared);
  SavePicture(window, "help-without-panel.png");
  QTest::keyClick(window, Qt::Key_F9);
  EXPECT_TRUE(panes->isVisible());
  EXPECT_TRUE(button->isChecked());
  QTest::keyClick(window, Qt::Key_F9);
  EXPECT_FALSE(panes->isVisible());
  Click(button, button->rect().center());
  EXPECT_TRUE(panes->isVisible());
}

TEST_F(HelpWindowUse, CtrlFFindsInThePageAndF3GoesOn) {
  QWidget* window = Open(1);
  auto* topic = Part<QTextBrowser>(window, "topic");
  auto* bar = Part<QWidget>(window, "findBar");
  auto* text = Part<QLineEdit>(window, "findText");
  auto* status = Part<QLabel>(window, "findStatus");
  ASSERT_TRUE(topic && bar && text && status);
  EXPECT_FALSE(bar->isVisible());
  topic->setFocus();
  QTest::keyClick(topic, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), text);

  QTest::keyClicks(text, "smart-calculate");
  QTest::keyClick(text, Qt::Key_Return);
  EXPECT_EQ(topic->textCursor().selectedText().toLower().toStdString(), "smart-calculate");
  const int first = topic->textCursor().position();
  QTest::keyClick(text, Qt::Key_F3);
  const int second = topic->textCursor().position();
  EXPECT_GT(second, first);
  QTest::keyClick(topic, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(topic->textCursor().position(), first);
  // Past the last place it starts over from the top.
  const QString plain = topic->toPlainText().toLower();
  const int places = plain.count("smart-calculate");
  ASSERT_GE(places, 3);
  for (int i = 0; i < places; ++i) QTest::keyClick(text, Qt::Key_Return);
  EXPECT_EQ(topic->textCursor().position(), first);
  EXPECT_TRUE(status->text().isEmpty());

  text->clear();
  QTest::keyClicks(text, "no such words here");
  QTest::keyClick(text, Qt::Key_Return);
  EXPECT_EQ(status->text().toStdString(), "Not found");
  EXPECT_FALSE(topic->textCursor().hasSelection());

  // Escape in the find bar closes the bar, not the window.
  QTest::keyClick(text, Qt::Key_Escape);
  EXPECT_FALSE(bar->isVisible());
  EXPECT_TRUE(window->isVisible());
}

TEST_F(HelpWindowUse, EscapeClosesTheWindowHomeAndAltArrowsNavigate) {
  QPointer<QWidget> window = Open(999);
  auto* topic = Part<QTextBrowser>(window, "topic");
  auto* search = Part<QLineEdit>(window, "searchText");
  ASSERT_TRUE(topic && search);
  topic->setFocus();
  QTest::keyClick(topic, Qt::Key_Home);
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - the calculator window");
  QTest::keyClick(topic, Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - support free software");
  EXPECT_EQ(window->windowTitle().toStdString(), "Veltaro - support free software");
  QTest::keyClick(topic, Qt::Key_Right, Qt::AltModifier);
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - the calculator window");
  QTest::keyClick(topic, Qt::Key_Left, Qt::AltModifier);

  // In a text field Home moves in the field.
  auto* panes = Part<QTabWidget>(window, "sidePanel");
  panes->setCurrentIndex(2);
  search->setFocus();
  QTest::keyClicks(search, "abc");
  QTest::keyClick(search, Qt::Key_Home);
  EXPECT_EQ(search->cursorPosition(), 0);
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - support free software");
  // The home button does what Home does.
  auto* home = Part<QToolButton>(window, "home");
  Click(home, home->rect().center());
  EXPECT_EQ(Title(window).toStdString(), "Veltaro - the calculator window");

  topic->setFocus();
  QTest::keyClick(topic, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
  // The next request opens a new window.
  EXPECT_NE(Open(1), nullptr);
}

TEST_F(HelpWindowUse, OpensBesideTheProgramsWindowInsideTheScreen) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen->availableGeometry();
  ASSERT_GE(available.width(), 700);
  ShowProgram(QRect(available.left() + 10, available.top() + 20, 280, 300));
  QWidget* window = Open(1);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(available.contains(window->frameGeometry())) << window->frameGeometry().width() << "x"
                                                           << window->frameGeometry().height();
  EXPECT_GT(window->frameGeometry().left(), program->frameGeometry().right());
  EXPECT_FALSE(window->frameGeometry().intersects(program->frameGeometry()));
  // Level with the program's window, as far as the screen's height allows.
  EXPECT_EQ(window->frameGeometry().top(),
            std::min(program->frameGeometry().top(), available.bottom() + 1 - window->frameGeometry().height()));
}

// Figures of the placement: beside on the right, else on the left, else
// beside the text area of the caller, else on the side with more room;
// never beyond the available area.
TEST(PlaceHelpWindow, BesideTheCallerWithinTheAvailableArea) {
  const QMargins none;
  const QMargins frame(4, 24, 4, 4);
  const struct {
    const char* what;
    QRect available;
    QRect caller;
    QSize preferred;
    QMargins frame;
    QRect expected;
    QRect keep = QRect();  // none unless given
  } rows[] = {
      {"right of the caller", {0, 0, 1920, 1040}, {100, 100, 654, 353}, {900, 640}, none, {754, 100, 900, 640}},
      {"right, narrower", {0, 0, 1400, 1040}, {100, 100, 654, 353}, {900, 640}, none, {754, 100, 646, 640}},
      {"left of the caller", {0, 0, 1400, 1040}, {1000, 100, 380, 353}, {900, 640}, none, {100, 100, 900, 640}},
      {"no room: the side with more room", {0, 0, 800, 500}, {50, 0, 654, 353}, {900, 640}, none, {0, 0, 800, 500}},
      {"no room, left side larger", {0, 0, 1000, 700}, {300, 10, 660, 300}, {900, 640}, none, {0, 10, 900, 640}},
      {"narrow room on the left", {0, 0, 1000, 700}, {400, 10, 560, 300}, {900, 640}, none, {0, 10, 400, 640}},
      {"narrow room on the right (1.5x)", {0, 0, 1066, 666}, {20, 40, 654, 353}, {900, 640}, none,
       {674, 26, 392, 640}},
      {"fits below the top", {0, 0, 1920, 1040}, {0, 900, 300, 100}, {900, 640}, none, {300, 400, 900, 640}},
      {"with frame", {0, 0, 1920, 1040}, {0, 0, 654, 353}, {900, 640}, frame, {658, 24, 900, 640}},
      {"the frame fits too", {0, 0, 800, 500}, {}, {900, 640}, frame, {4, 24, 792, 472}},
      {"centred without caller", {0, 0, 1920, 1040}, {}, {900, 640}, none, {510, 200, 900, 640}},
      {"offset screen", {1920, 30, 1600, 970}, {1920, 30, 654, 353}, {900, 640}, none, {2574, 30, 900, 640}},
      {"tiny screen", {0, 0, 200, 100}, {0, 0, 654, 353}, {900, 640}, none, {0, 0, 200, 100}},
      {"1.5x: right of the text area", {0, 0, 1066, 666}, {182, 143, 703, 379}, {900, 640}, none,
       {501, 26, 565, 640}, {184, 159, 317, 336}},
      {"2x: right of the text area", {0, 0, 800, 500}, {48, 60, 703, 379}, {900, 640}, none, {367, 0, 433, 500},
       {50, 76, 317, 300}},
      {"left of the text area", {0, 0, 1000, 700}, {100, 10, 800, 300}, {900, 640}, none, {0, 10, 600, 640},
       {600, 20, 290, 100}},
      {"room beside the caller comes first", {0, 0, 1920, 1040}, {100, 100, 654, 353}, {900, 640}, none,
       {754, 100, 900, 640}, {110, 110, 300, 300}},
      {"text area too wide: the side with more room", {0, 0, 800, 500}, {50, 0, 654, 353}, {900, 640}, none,
       {0, 0, 800, 500}, {60, 10, 600, 300}},
  };
  for (const auto& row : rows) {
    const QRect place = PlaceHelpWindow(row.available, row.caller, row.preferred, row.frame, row.keep);
    EXPECT_EQ(place, row.expected) << row.what << ": " << place.x() << "," << place.y() << " " << place.width() << "x"
                                   << place.height();
    const QRect outer = place.marginsAdded(row.frame);
    EXPECT_TRUE(row.available.contains(outer)) << row.what;
  }
}

// The first image of the page with its format.
QTextImageFormat FirstImage(QTextDocument* document, const QString& name) {
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (format.isImageFormat() && format.toImageFormat().name() == name) return format.toImageFormat();
    }
  }
  return {};
}

double MeanDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  if (x.size() != y.size()) return 1e9;
  double sum = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col) {
      sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
             std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
  }
  return sum / (3.0 * x.width() * x.height());
}

// The picture of the window is shown 560 wide from a much larger file: it
// is drawn scaled smoothly to the pixels it covers, at 1x and at 2x.
TEST_F(HelpWindowUse, PicturesAreDrawnSmoothlyAtTheirShownSize) {
  QWidget* window = Open(1);
  auto* topic = Part<QTextBrowser>(window, "topic");
  ASSERT_NE(topic, nullptr);
  QTextDocument* document = topic->document();
  const QTextImageFormat format = FirstImage(document, "../images/window.png");
  ASSERT_TRUE(format.isValid());
  QTextObjectInterface* handler = document->documentLayout()->handlerForObject(QTextFormat::ImageObject);
  ASSERT_NE(handler, nullptr);

  TChmArchive archive;
  ASSERT_TRUE(archive.Open(VELTARO_HELP_FILE));
  std::string bytes;
  ASSERT_TRUE(archive.Read("/images/window.png", bytes));
  const QImage original = QImage::fromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  ASSERT_GT(original.width(), 1000);

  const QSizeF shown = handler->intrinsicSize(document, 0, format);
  EXPECT_EQ(shown.width(), 560);
  EXPECT_NEAR(shown.height(), 560.0 * original.height() / original.width(), 0.01);

  for (const int ratio : {1, 2}) {
    const QSize pixels = (shown * ratio).toSize();
    QImage drawn(pixels, QImage::Format_RGB32);
    drawn.setDevicePixelRatio(ratio);
    drawn.fill(Qt::white);
    {
      QPainter painter(&drawn);
      handler->drawObject(&painter, QRectF(QPointF(0, 0), QSizeF(pixels) / ratio), document, 0, format);
    }
    const QImage smooth = original.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage rough = original.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const double toSmooth = MeanDifference(drawn, smooth);
    const double toRough = MeanDifference(drawn, rough);
    std::printf("picture at %dx: mean difference %.3f to smooth scaling, %.3f to unsmoothed\n", ratio, toSmooth,
                toRough);
    EXPECT_LT(toSmooth, 1.0) << ratio;
    EXPECT_GT(toRough, 4 * toSmooth + 0.5) << ratio;
  }
  // The topic's own page draws it the same way.
  const QImage page = topic->viewport()->grab().toImage();
  EXPECT_FALSE(page.isNull());
}

// Runs the tests of `filter` in a child process at QT_SCALE_FACTOR `scale`
// on a screen of 1600 x 1000 pixels.
void RunScaledChild(const QString& scale, const QString& filter) {
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("VELTARO_SCALED_CHILD", scale);
  environment.insert("QT_SCALE_FACTOR", scale);
  const QString config = QDir::temp().filePath(
      QString("veltaro-screen-%1-%2.json").arg(QCoreApplication::applicationPid()).arg(scale));
  QFile file(config);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1600, "height": 1000,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + filter, "--gtest_brief=1"});
  ASSERT_TRUE(child.waitForFinished(300000));
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << "at scale " << scale.toStdString() << ":\n" << output.toStdString();
  EXPECT_TRUE(output.contains("PASSED")) << output.toStdString();
  QFile::remove(config);
}

// At twice the scale the window still fits the screen, and its pictures are
// saved for the record. Runs in a child process with QT_SCALE_FACTOR=2.
TEST(HelpWindowAtScale, FitsTheAvailableScreenAtTwiceTheScale) {
  if (ChildScale().isEmpty()) {
    RunScaledChild("2", "HelpWindowAtScale.*:HelpWindowUse.*");
    return;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_DOUBLE_EQ(screen->devicePixelRatio(), 2.0);
  const QRect available = screen->availableGeometry();
  EXPECT_EQ(available.size(), QSize(800, 500));
  QWidget program;
  program.setGeometry(available.left(), available.top(), 200, 150);
  program.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&program));
  QWidget* window = AsWindow(Entry()(nullptr, VELTARO_HELP_FILE, HH_HELP_CONTEXT, 1));
  ASSERT_NE(window, nullptr);
  QApplication::processEvents();
  EXPECT_TRUE(available.contains(window->frameGeometry()))
      << window->frameGeometry().width() << "x" << window->frameGeometry().height() << " on " << available.width()
      << "x" << available.height();
  // Even its smallest size fits.
  EXPECT_LE(window->minimumSizeHint().width(), available.width());
  EXPECT_LE(window->minimumSizeHint().height(), available.height());
  Entry()(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

// Where a line of the page ends inside a word: "Opera|tors", or empty.
QString WordBrokenAtLineEnd(QTextDocument* document) {
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    const QTextLayout* layout = block.layout();
    for (int i = 0; layout && i + 1 < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      const int end = line.textStart() + line.textLength();
      if (end <= 0 || end >= text.size()) continue;
      if (text[end - 1].isLetterOrNumber() && text[end].isLetterOrNumber()) {
        return text.mid(std::max(0, end - 12), std::min(end, 12)) + "|" + text.mid(end, 12);
      }
    }
  }
  return {};
}

QRect GlobalRect(const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

// The help window opened for the calculator at scales 1, 1.5 and 2 on a
// screen of 1600 x 1000 pixels: beside the calculator where the screen has
// room, else leaving its term field and results in view; the side panel at
// most a third of the window and movable; no word of any topic broken at a
// line end; tables and pictures within the page or reachable by scrolling.
TEST(HelpWindowOnScreen, LeavesTheCalculatorInViewAndItsTopicsReadable) {
  if (ChildScale().isEmpty()) {
    for (const char* scale : {"1", "1.5", "2"}) RunScaledChild(scale, "HelpWindowOnScreen.*");
    return;
  }
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  // The calculator as the program lays it out at 96 dots per inch, centred
  // on the screen: term field and results on the left, variables right.
  QWidget program;
  program.setWindowTitle("Veltaro");
  program.resize(703, 379);
  program.move(available.center() - QPoint(351, 189));
  auto* term = new QLineEdit(&program);
  term->setGeometry(95, 16, 173, 26);
  auto* results = new QPlainTextEdit(&program);
  results->setGeometry(2, 241, 317, 94);
  auto* grid = new QTableWidget(8, 2, &program);
  grid->setGeometry(329, 40, 372, 289);
  program.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&program));
  program.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&program));
  QWidget* window = AsWindow(Entry()(nullptr, VELTARO_HELP_FILE, HH_HELP_CONTEXT, 20));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  const std::string at = "at scale " + ChildScale().toStdString();

  const QRect help = window->frameGeometry();
  EXPECT_TRUE(available.contains(help)) << at;
  const QRect calculator = program.frameGeometry();
  const int besideRoom =
      std::max(available.right() - calculator.right(), calculator.left() - available.left());
  if (besideRoom >= kMinBesideWidth) {
    EXPECT_FALSE(help.intersects(calculator)) << at;
  }
  EXPECT_FALSE(help.intersects(GlobalRect(term))) << at;
  EXPECT_FALSE(help.intersects(GlobalRect(results))) << at;
  EXPECT_GE(help.width(), kMinBesideWidth) << at;

  // The side panel takes at most a third of the window, and its edge moves.
  auto* split = Part<QSplitter>(window, "split");
  auto* panes = Part<QTabWidget>(window, "sidePanel");
  auto* topic = Part<QTextBrowser>(window, "topic");
  ASSERT_TRUE(split && panes && topic);
  EXPECT_LE(3 * panes->width(), split->width()) << at << ": " << panes->width() << " of " << split->width();
  const int before = panes->width();
  QSplitterHandle* edge = split->handle(1);
  const QPoint grip = edge->rect().center();
  QTest::mousePress(edge, Qt::LeftButton, Qt::NoModifier, grip);
  QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(40, 0)), edge->mapToGlobal(QPointF(grip + QPoint(40, 0))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(edge, &move);
  QTest::mouseRelease(edge, Qt::LeftButton, Qt::NoModifier, grip + QPoint(40, 0));
  EXPECT_EQ(panes->width(), before + 40) << at;
  // The width chosen so stays when the window is resized.
  const QSize opened = window->size();
  window->resize(opened + QSize(60, 0));
  QApplication::processEvents();
  EXPECT_EQ(panes->width(), before + 40) << at;
  window->resize(opened);
  QApplication::processEvents();
  EXPECT_EQ(panes->width(), before + 40) << at;
  QTest::mousePress(edge, Qt::LeftButton, Qt::NoModifier, grip + QPoint(40, 0));
  QMouseEvent back(QEvent::MouseMove, QPointF(grip), edge->mapToGlobal(QPointF(grip)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(edge, &back);
  QTest::mouseRelease(edge, Qt::LeftButton, Qt::NoModifier, grip);
  EXPECT_EQ(panes->width(), before) << at;

  // Every topic: words whole at line ends; what is wider than the page scrolls.
  auto* contents = Part<QTreeWidget>(window, "contents");
  ASSERT_NE(contents, nullptr);
  int topics = 0;
  for (QTreeWidgetItemIterator it(contents); *it; ++it) {
    if ((*it)->childCount() > 0 && (*it)->parent()) continue;
    ClickItem(contents, *it);
    QTextDocument* document = topic->document();
    QApplication::processEvents();
    const QSizeF size = document->documentLayout()->documentSize();
    QApplication::processEvents();
    const std::string name = (*it)->text(0).toStdString();
    EXPECT_EQ(WordBrokenAtLineEnd(document).toStdString(), "") << at << ", " << name;
    if (size.width() > topic->viewport()->width() + 1) {
      EXPECT_GE(topic->horizontalScrollBar()->maximum(), size.width() - topic->viewport()->width() - 1)
          << at << ", " << name << ": " << size.width() << " wide in " << topic->viewport()->width();
    }
    ++topics;
  }
  EXPECT_GE(topics, 6);
  ClickItem(contents, ContentsItem(contents, "Writing terms"));
  SavePicture(window, "help-topic.png");

  // The screen as the person sees it, both windows in place.
  const qreal ratio = window->devicePixelRatioF();
  QImage screen((QSizeF(available.size()) * ratio).toSize(), QImage::Format_RGB32);
  screen.setDevicePixelRatio(ratio);
  screen.fill(QColor(0x5a, 0x6e, 0x8c));
  {
    QPainter painter(&screen);
    painter.drawPixmap(calculator.topLeft() - available.topLeft(), program.grab());
    painter.drawPixmap(window->geometry().topLeft() - available.topLeft(), window->grab());
  }
  QDir().mkpath(VELTARO_PICTURE_DIR);
  const QString picture = PictureName("help-beside-calculator.png");
  EXPECT_TRUE(screen.save(QString(VELTARO_PICTURE_DIR) + "/" + picture)) << picture.toStdString();
  Entry()(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

}  // namespace
}  // namespace veltaro
