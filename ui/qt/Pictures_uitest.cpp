// Saves pictures of the window for a person to look at: the panel shown and
// hidden, after some calculations, and the "New variable" box. They land in
// the build folder's ui/pictures.
#include <QDir>
#include <QInputDialog>
#include <QPixmap>

#include "Messages.h"
#include "QtDialogs.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

class Pictures : public WindowTest {
 protected:
  void Save(QWidget* widget, const char* name) {
    const QString folder = QStringLiteral(VELTARO_PICTURE_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QPixmap picture = widget->grab();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(folder + QLatin1Char('/') + QLatin1String(name)));
  }
};

TEST_F(Pictures, SavesTheWindowInItsStates) {
  StartEmpty();
  Save(window.get(), "window-panel-shown.png");
  const int wide = window->width();

  Click(window->bVariables);
  Save(window.get(), "window-panel-hidden.png");
  EXPECT_LT(window->width(), wide);
  Click(window->bVariables);
  EXPECT_EQ(window->width(), wide);

  const char* terms[] = {"2+3", "a*b+sqrt(-4)", "1/0", "2+*", "pi/2"};
  for (const char* term : terms) {
    Type(QString::fromUtf8(term));
    Click(term[0] == 'p' ? window->bSmartCalculate : window->bCalculate);
  }
  EditCell(2, 1, QStringLiteral("the first one"));
  Save(window.get(), "window-results.png");
  EXPECT_EQ(Results().size(), 5);

  const std::unique_ptr<QInputDialog> box =
      NewInputBox(window.get(), std::string(text::kNewVariableTitle), std::string(text::kNewVariablePrompt), {});
  box->show();
  QApplication::processEvents();
  Save(box.get(), "new-variable-box.png");
}

}  // namespace
}  // namespace veltaro::testing_support
