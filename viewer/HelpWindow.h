// The stand-in viewer's help window: one per help file, showing topics of
// the file with their pictures, styles and links, beside a side panel with
// the file's contents, its keyword index and a full-text search.
#pragma once

#include <QHash>
#include <QImage>
#include <QTextBrowser>
#include <QTextObjectInterface>
#include <QWidget>
#include <memory>
#include <string>

#include "ChmArchive.h"
#include "HelpNavigation.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QSplitter;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace veltaro {

// Draws the pictures of a topic at the size the topic gives them, scaled
// smoothly from the picture's pixels to the screen's pixels.
class TSmoothImageHandler : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  explicit TSmoothImageHandler(QObject* parent) : QObject(parent) {}
  QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                  const QTextFormat& format) override;
  // Forgets the pictures of the previous page.
  void Clear();

 private:
  QImage Picture(QTextDocument* document, const QString& name);
  QHash<QString, QImage> pictures_;
  QHash<QString, QImage> scaled_;
};

// A text browser whose pages, pictures and style sheets come from a help file
// ("chm:" addresses); links to the web open in the desktop's browser when
// clicked, links inside the file are followed here.
class TChmBrowser : public QTextBrowser {
 public:
  TChmBrowser(const TChmArchive& archive, QWidget* parent);
  QVariant loadResource(int type, const QUrl& name) override;

 protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

 private:
  void FollowLink(const QUrl& link);
  const TChmArchive& archive_;
  TSmoothImageHandler* pictures_;
};

class THelpWindow : public QWidget {
 public:
  explicit THelpWindow(const std::string& fileName);
  ~THelpWindow() override;

  const std::string& FileName() const { return fileName_; }
  // Shows the topic of a context number, or a "topic not found" page.
  void ShowContext(std::uint32_t context);
  TChmBrowser* Browser() const { return browser_; }
  // Gives the window its first place and size: beside `caller` (may be
  // null) on its screen, inside the screen's available area.
  void Place(const QWidget* caller);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Gives the side panel its width: at most a third of the window, or the
  // width the person chose by moving its edge, as long as the topic keeps
  // at least half.
  void FitSidePanel();
  void ShowPage(const QString& title, const QString& text);
  void UpdateTitle();
  void BuildContents();
  void BuildIndex();
  void BuildSearch();
  // Opens a topic named as in the contents ("topics/a.htm#part").
  void OpenLocal(const std::string& local);
  void ShowHome();
  void SelectIndexEntry(const QString& text);
  void RunSearch();
  // Opens a topic found by the search and selects the first place of the
  // first word searched for.
  void OpenFound(const std::string& object);
  // Marks the contents entry of the topic shown.
  void FollowInContents(const QUrl& shown);
  void ShowFindBar();
  void Find(bool backward);
  void Escape();
  void SetPanesVisible(bool visible);

  std::string fileName_;
  TChmArchive archive_;
  TContextMap contexts_;
  THelpSettings settings_;
  TSearchIndex search_;
  TChmBrowser* browser_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
  QToolButton* home_ = nullptr;
  QToolButton* panesButton_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTabWidget* panes_ = nullptr;
  QTreeWidget* contents_ = nullptr;
  QLineEdit* indexText_ = nullptr;
  QListWidget* index_ = nullptr;
  QLineEdit* searchText_ = nullptr;
  QListWidget* searchResults_ = nullptr;
  QWidget* findBar_ = nullptr;
  QLineEdit* findText_ = nullptr;
  QLabel* findStatus_ = nullptr;
  int sideWidth_ = 0;       // the side panel's width when the window has room
  bool sideMoved_ = false;  // its edge was moved by the person
};

}  // namespace veltaro
