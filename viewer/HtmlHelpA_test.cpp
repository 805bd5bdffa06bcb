#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "CorruptChm.h"
#include "Platform.h"
#include "VersionNote.h"

namespace veltaro {
namespace {

// Records what the desktop is asked to open.
class TUrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};

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

QTextBrowser* TopicOf(QWidget* window) { return window ? window->findChild<QTextBrowser*>("topic") : nullptr; }

QString TitleOf(TWindowHandle handle) {
  QTextBrowser* topic = TopicOf(AsWindow(handle));
  return topic ? topic->documentTitle() : QString("<no window>");
}

void SavePicture(QWidget* window, const QString& name) {
  QDir().mkpath(VELTARO_PICTURE_DIR);
  QApplication::processEvents();
  window->grab().save(QString(VELTARO_PICTURE_DIR) + "/" + name);
}

class Viewer : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(Entry(), nullptr) << dlerror(); }
  void TearDown() override { Entry()(nullptr, nullptr, HH_CLOSE_ALL, 0); }
  TWindowHandle Show(const char* file, std::uint32_t context) {
    return Entry()(nullptr, file, HH_HELP_CONTEXT, context);
  }
};

TEST_F(Viewer, CarriesAVersionOfAtLeast4Point73AndExportsOnlyItsEntryPoint) {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  ASSERT_TRUE(ReadVersionNote(VELTARO_VIEWER_FILE, ms, ls));
  EXPECT_GE(ms, (4u << 16) | 73u);
  void* library = dlopen(VELTARO_VIEWER_FILE, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(dlsym(library, "_ZN7veltaro11THelpWindow11ShowContextEj"), nullptr);
  EXPECT_EQ(dlsym(library, "_ZN7veltaro13SplitHelpUrlESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
  dlclose(library);
}

TEST_F(Viewer, EachContextOpensItsTopic) {
  const struct {
    std::uint32_t context;
    const char* title;
  } rows[] = {{1, "Veltaro - the calculator window"},
              {10, "Veltaro - variables and variable tables"},
              {20, "Veltaro - writing terms"},
              {999, "Veltaro - support free software"},
              {0, "Topic not found"},
              {12345, "Topic not found"},
              {0xFFFFFFFFu, "Topic not found"}};
  for (const auto& row : rows) {
    const TWindowHandle handle = Show(VELTARO_HELP_FILE, row.context);
    QWidget* window = AsWindow(handle);
    ASSERT_NE(window, nullptr) << row.context;
    EXPECT_TRUE(window->isVisible()) << row.context;
    EXPECT_EQ(TitleOf(handle).toStdString(), row.title) << row.context;
    EXPECT_EQ(window->windowTitle().toStdString(), row.title) << row.context;
  }
  QTextBrowser* topic = TopicOf(AsWindow(Show(VELTARO_HELP_FILE, 12345)));
  EXPECT_TRUE(topic->toPlainText().contains("no topic for the context number 12345"));
}

// Every context of every damaged copy of the help file shows its topic, with
// text, or "Topic not found" or "Help file not found": never a blank page.
TEST_F(Viewer, DamagedHelpFilesShowATopicOrAMessage) {
  std::ifstream in(VELTARO_HELP_FILE, std::ios::binary);
  const std::string chm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<TCorruptChm> copies = MakeCorruptChms(chm);
  ASSERT_FALSE(copies.empty());
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "veltaro-viewer-damaged";
  std::filesystem::create_directories(dir);
  for (const TCorruptChm& copy : copies) {
    const std::string file = (dir / (copy.name + ".chm")).string();
    std::ofstream(file, std::ios::binary) << copy.bytes;
    for (const std::uint32_t context : {1u, 10u, 20u, 999u}) {
      const TWindowHandle handle = Show(file.c_str(), context);
      QTextBrowser* topic = TopicOf(AsWindow(handle));
      ASSERT_NE(topic, nullptr) << copy.name << " " << context;
      const std::string title = TitleOf(handle).toStdString();
      if (title != "Topic not found" && title != "Help file not found") {
        EXPECT_EQ(title.rfind("Veltaro - ", 0), 0u) << copy.name << " " << context << ": " << title;
      }
      EXPECT_FALSE(topic->toPlainText().trimmed().isEmpty()) << copy.name << " " << context << ": " << title;
    }
    Entry()(nullptr, nullptr, HH_CLOSE_ALL, 0);
  }
  std::filesystem::remove_all(dir);
}

TEST_F(Viewer, OneWindowPerHelpFileIsRaisedAgain) {
  const TWindowHandle first = Show(VELTARO_HELP_FILE, 20);
  const TWindowHandle second = Show("mk:@MSITStore:" VELTARO_HELP_FILE, 999);
  EXPECT_EQ(first, second);
  EXPECT_EQ(TitleOf(second).toStdString(), "Veltaro - support free software");
  const TWindowHandle other = Show("/nonexistent/veltaro.chm", 1);
  EXPECT_NE(other, first);
  EXPECT_EQ(TitleOf(other).toStdString(), "Help file not found");
}

TEST_F(Viewer, PicturesAndStylesComeFromTheHelpFile) {
  QWidget* window = AsWindow(Show(VELTARO_HELP_FILE, 1));
  QTextBrowser* topic = TopicOf(window);
  ASSERT_NE(topic, nullptr);
  const struct {
    int type;
    const char* name;
  } rows[] = {{QTextDocument::ImageResource, "../images/window.png"},
              {QTextDocument::ImageResource, "../images/veltaro.png"},
              {QTextDocument::StyleSheetResource, "help.css"}};
  for (const auto& row : rows) {
    const QVariant resource = topic->loadResource(row.type, QUrl(row.name));
    ASSERT_TRUE(resource.isValid()) << row.name;
    if (row.type == QTextDocument::ImageResource) {
      EXPECT_FALSE(QImage::fromData(resource.toByteArray()).isNull()) << row.name;
    } else {
      EXPECT_TRUE(resource.toString().contains("font-family")) << row.name;
    }
  }
  EXPECT_FALSE(topic->loadResource(QTextDocument::ImageResource, QUrl("../images/missing.png")).isValid());
  EXPECT_FALSE(topic->loadResource(QTextDocument::ImageResource, QUrl("file:///etc/passwd")).isValid());
  window->resize(820, 700);
  SavePicture(window, "help-window.png");
}

TEST_F(Viewer, WebLinksOpenInTheBrowserOnlyWhenClicked) {
  TUrlRecorder recorder;
  QDesktopServices::setUrlHandler("https", &recorder, "Open");
  QTextBrowser* topic = TopicOf(AsWindow(Show(VELTARO_HELP_FILE, 999)));
  ASSERT_NE(topic, nullptr);
  QApplication::processEvents();
  EXPECT_TRUE(recorder.opened.isEmpty());

  emit topic->anchorClicked(QUrl("terms.htm#invalid"));
  EXPECT_EQ(topic->documentTitle().toStdString(), "Veltaro - writing terms");
  EXPECT_TRUE(recorder.opened.isEmpty());

  topic->backward();
  EXPECT_EQ(topic->documentTitle().toStdString(), "Veltaro - support free software");
  emit topic->anchorClicked(QUrl("https://www.kelvara.example/freeware.html"));
  ASSERT_EQ(recorder.opened.size(), 1);
  EXPECT_EQ(recorder.opened[0].toString().toStdString(), "https://www.kelvara.example/freeware.html");
  EXPECT_EQ(topic->documentTitle().toStdString(), "Veltaro - support free software");
  QDesktopServices::unsetUrlHandler("https");
}

TEST_F(Viewer, CloseAllClosesEveryWindowAndOtherRequestsShowNothing) {
  QPointer<QWidget> a = AsWindow(Show(VELTARO_HELP_FILE, 1));
  QPointer<QWidget> b = AsWindow(Show("/nonexistent/other.chm", 1));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Entry()(nullptr, nullptr, HH_CLOSE_ALL, 0), nullptr);
  EXPECT_TRUE(a.isNull());
  EXPECT_TRUE(b.isNull());
  EXPECT_EQ(Show(nullptr, 1), nullptr);
  EXPECT_EQ(Show("", 1), nullptr);
  EXPECT_EQ(Entry()(nullptr, VELTARO_HELP_FILE, 0x0F0F, 1), nullptr);
  EXPECT_EQ(Entry()(nullptr, VELTARO_HELP_FILE, 1, 1), nullptr);  // HH_DISPLAY_TOPIC is not supported
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
}

}  // namespace
}  // namespace veltaro

#include "HtmlHelpA_test.moc"
