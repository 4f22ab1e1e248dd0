#include "foundation/FontComboBox.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QApplication &App()
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

QImage PaintRow(QAbstractItemDelegate *delegate, const QModelIndex &index)
{
    QImage image(300, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.font = QApplication::font();
    option.fontMetrics = QFontMetrics(option.font);
    option.palette = QApplication::palette();
    delegate->paint(&painter, option, index);
    return image;
}

} // namespace

TEST(FontComboBox, ListsTheInstalledFamilies)
{
    App();
    TFontComboBox box;
    box.LoadFonts();
    ASSERT_GT(box.count(), 0);
    EXPECT_EQ(box.FontName(), ""); // nothing chosen yet
    for (int i = 0; i < box.count(); ++i) {
        // Plain family names, each once.
        EXPECT_FALSE(box.itemText(i).endsWith(']')) << box.itemText(i).toStdString();
        EXPECT_EQ(box.findText(box.itemText(i), Qt::MatchFixedString), i);
    }

    box.LoadFonts(); // again: the list is refilled, not doubled
    EXPECT_EQ(box.count(), box.findText(box.itemText(box.count() - 1)) + 1);
}

TEST(FontComboBox, FindsNamesWithoutRegardToCase)
{
    App();
    TFontComboBox box;
    box.addItems({"Arial", "DejaVu Sans", "Times"});
    box.SetFontName("dejavu SANS");
    EXPECT_EQ(box.currentIndex(), 1);
    EXPECT_EQ(box.FontName(), "DejaVu Sans");

    box.SetFontName("No Such Face");
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.FontName(), "");
    box.SetFontName("Arial");
    box.SetFontName("");
    EXPECT_EQ(box.FontName(), "");
}

TEST(FontComboBox, SamplesDrawEachNameInItsOwnFace)
{
    App();
    TFontComboBox box;
    box.LoadFonts();
    ASSERT_GT(box.count(), 1);
    box.SetFontName(box.itemText(1));
    EXPECT_EQ(box.ShowStyle(), ssFontName);
    QAbstractItemDelegate *plain = box.itemDelegate();

    box.SetShowStyle(ssFontSample);
    auto *sample = dynamic_cast<TFontSampleDelegate *>(box.itemDelegate());
    ASSERT_NE(sample, nullptr);
    const QModelIndex index = box.model()->index(1, 0);
    QStyleOptionViewItem option;
    sample->initStyleOption(&option, index);
    EXPECT_EQ(option.font.family(), box.itemText(1));
    EXPECT_EQ(option.font.pointSize(), 10);

    // Drawn in its own face, the name looks different from the plain list entry.
    const QString serif =
        QFontDatabase::families().contains("DejaVu Serif") ? "DejaVu Serif" : box.itemText(1);
    const int row = box.findText(serif);
    EXPECT_NE(PaintRow(sample, box.model()->index(row, 0)), PaintRow(plain, box.model()->index(row, 0)));

    // Switching back and forth keeps the items, the selection and both delegates.
    const int count = box.count();
    box.SetShowStyle(ssFontName);
    EXPECT_EQ(box.itemDelegate(), plain);
    box.SetShowStyle(ssFontSample);
    EXPECT_EQ(box.itemDelegate(), sample);
    EXPECT_EQ(box.count(), count);
    EXPECT_EQ(box.currentIndex(), 1);

    box.resize(200, 30);
    EXPECT_FALSE(box.grab().isNull()); // the closed box paints in sample style
}
