#include "ui/colors/itemdelegate.h"

#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

// Paints one cell with a delegate into an image the size of the cell plus a
// margin, so that the brush origin can be checked at an offset.
struct Cell
{
    QStandardItemModel model;
    QStyleOptionViewItem option;
    QModelIndex index;
};

static const QColor kFill(200, 30, 40);
static const int kMargin = 6;

class TestItemDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void sizeHint_data();
    void sizeHint();
    void featureRowOverpaint_data();
    void featureRowOverpaint();
    void structureRowOverpaint();
    void structureTextureStartsAtCellCorner();
    void leftAsBasePainted_data();
    void leftAsBasePainted();
    void painterStateIsRestored();
    void overpaintStaysInsideTheCell_data();
    void overpaintStaysInsideTheCell();
    void noFocusFrameInStructureTrees();

private:
    void setUpCell(const QVariant &text, const QVariant &background, bool selected);
    QImage render(const QAbstractItemDelegate &delegate);
    QRect textBox() const;

    std::unique_ptr<QTreeView> m_view;
    std::unique_ptr<Cell> m_cell;
};

void TestItemDelegate::init()
{
    m_view = std::make_unique<QTreeView>();
    m_cell = std::make_unique<Cell>();
}

void TestItemDelegate::cleanup()
{
    m_cell.reset();
    m_view.reset();
}

void TestItemDelegate::setUpCell(const QVariant &text, const QVariant &background, bool selected)
{
    auto *item = new QStandardItem;
    if (text.isValid())
        item->setData(text, Qt::EditRole);
    if (background.isValid())
        item->setData(background, Qt::BackgroundRole);
    m_cell->model.appendRow(item);
    m_cell->index = m_cell->model.index(0, 0);

    QStyleOptionViewItem &option = m_cell->option;
    option.initFrom(m_view.get());
    const QFontMetrics metrics(option.font);
    option.rect = QRect(kMargin, kMargin, metrics.horizontalAdvance(QStringLiteral("M")) * 30,
                        metrics.height() + 8);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    if (selected)
        option.state |= QStyle::State_Selected;
    option.showDecorationSelected = true;
    // The feature tree's white highlight.
    option.palette.setBrush(QPalette::All, QPalette::Highlight, QBrush(Qt::white));
    option.palette.setBrush(QPalette::All, QPalette::HighlightedText, QBrush(Qt::white));
}

QImage TestItemDelegate::render(const QAbstractItemDelegate &delegate)
{
    QImage image(m_cell->option.rect.size() + QSize(2 * kMargin, 2 * kMargin),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(m_cell->option.font);
    delegate.paint(&painter, m_cell->option, m_cell->index);
    painter.end();
    return image;
}

// Where the overpainted text lies: its own width from the font's metrics.
QRect TestItemDelegate::textBox() const
{
    const QRect r = m_cell->option.rect;
    const QFontMetrics metrics(m_cell->option.font);
    const QString text = m_cell->index.data(Qt::EditRole).toString();
    return QRect(r.x() + 2, r.y(), metrics.horizontalAdvance(text) + 2, r.height());
}

static int darkPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 80)
                ++count;
        }
    }
    return count;
}

void TestItemDelegate::sizeHint_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::newRow("feature tree") << 0 << QSize(20, 20);
    QTest::newRow("structure tree") << 1 << QSize(29, 29);
}

void TestItemDelegate::sizeHint()
{
    QFETCH(int, mode);
    QFETCH(QSize, size);
    ItemDelegate delegate(m_view.get(), quint8(mode));
    setUpCell(QStringLiteral("a rather long feature name"), QColor(Qt::red), false);
    QCOMPARE(delegate.sizeHint(m_cell->option, m_cell->index), size);
    QCOMPARE(delegate.sizeHint(m_cell->option, QModelIndex()), size);
    QCOMPARE(delegate.parent(), m_view.get());
}

void TestItemDelegate::featureRowOverpaint_data()
{
    QTest::addColumn<QVariant>("background");
    QTest::addColumn<bool>("filled");

    QTest::newRow("colour fills the outline") << QVariant(kFill) << true;
    QTest::newRow("solid brush fills the outline") << QVariant(QBrush(kFill)) << true;
    QTest::newRow("removed colour draws the outline only") << QVariant(QBrush()) << false;
    QTest::newRow("no background draws the outline only") << QVariant() << false;
    QTest::newRow("invalid colour is not painted black") << QVariant(QColor()) << false;
}

void TestItemDelegate::featureRowOverpaint()
{
    QFETCH(QVariant, background);
    QFETCH(bool, filled);

    setUpCell(QStringLiteral("Logging"), background, true);
    ItemDelegate delegate(m_view.get(), 0);
    const QImage image = render(delegate);
    const QRect r = m_cell->option.rect;
    const QRect text = textBox();

    // Between the text and the right edge, away from the outline.
    const QPoint inside((text.right() + r.right()) / 2, r.center().y());
    QVERIFY(inside.x() > text.right() + 3 && inside.x() < r.right() - 3);
    QCOMPARE(QColor(image.pixel(inside)), filled ? kFill : QColor(Qt::white));

    // The translucent dark outline darkens the left edge of the cell.
    const QColor under = filled ? kFill : QColor(Qt::white);
    const QColor edge(image.pixel(r.left(), r.center().y()));
    QVERIFY2(edge.red() < under.red() && edge.green() <= under.green(),
             qPrintable(edge.name()));
    QVERIFY(qGray(edge.rgb()) > 40); // translucent, not solid black

    // The text is drawn again in black on top (the base drew it in the white
    // highlighted-text colour on the white highlight).
    QVERIFY(darkPixels(image, text.adjusted(0, 2, 0, -2)) > 0);
    const QRect afterText(text.right() + 3, r.top() + 3, r.right() - text.right() - 6,
                          r.height() - 6);
    QCOMPARE(darkPixels(image, afterText), 0);

    // Nothing outside the cell is touched.
    QCOMPARE(QColor(image.pixel(r.right() + 3, r.center().y())), QColor(Qt::white));
}

void TestItemDelegate::structureRowOverpaint()
{
    setUpCell(QStringLiteral("Main.java"), QBrush(kFill), true);
    ItemDelegate delegate(m_view.get(), 1);
    const QImage image = render(delegate);
    const QRect r = m_cell->option.rect;
    const QRect text = textBox().translated(1, 0);

    // The whole cell, corners included, shows the row's brush.
    QCOMPARE(QColor(image.pixel(r.topLeft())), kFill);
    QCOMPARE(QColor(image.pixel(r.bottomRight())), kFill);
    QCOMPARE(QColor(image.pixel((text.right() + r.right()) / 2, r.center().y())), kFill);
    QVERIFY(darkPixels(image, text) > 0);
    QCOMPARE(QColor(image.pixel(r.right() + 2, r.center().y())), QColor(Qt::white));
}

void TestItemDelegate::structureTextureStartsAtCellCorner()
{
    // A texture whose first column is blue and the rest green: with the brush
    // origin at the cell's corner, the cell's first column is blue.
    QPixmap texture(8, 8);
    texture.fill(Qt::green);
    {
        QPainter p(&texture);
        p.fillRect(0, 0, 1, 8, Qt::blue);
    }
    setUpCell(QStringLiteral("pkg"), QBrush(texture), true);
    ItemDelegate delegate(m_view.get(), 1);
    const QImage image = render(delegate);
    const QRect r = m_cell->option.rect;
    QCOMPARE(QColor(image.pixel(r.left(), r.bottom())), QColor(Qt::blue));
    QCOMPARE(QColor(image.pixel(r.left() + 1, r.bottom())), QColor(Qt::green));
    QCOMPARE(QColor(image.pixel(r.left() + 8, r.bottom())), QColor(Qt::blue));
}

void TestItemDelegate::leftAsBasePainted_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<QVariant>("background");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("decorationSelected");

    QTest::newRow("unselected feature row") << 0 << QVariant("A") << QVariant(kFill) << false
                                            << true;
    QTest::newRow("unselected structure row") << 1 << QVariant("A") << QVariant(kFill) << false
                                              << true;
    QTest::newRow("feature cell without text (button column)")
        << 0 << QVariant() << QVariant(kFill) << true << true;
    QTest::newRow("structure row without background")
        << 1 << QVariant("A") << QVariant() << true << true;
    QTest::newRow("structure cell without text")
        << 1 << QVariant() << QVariant(kFill) << true << true;
    QTest::newRow("selection not shown as decoration")
        << 0 << QVariant("A") << QVariant(kFill) << true << false;
}

void TestItemDelegate::leftAsBasePainted()
{
    QFETCH(int, mode);
    QFETCH(QVariant, text);
    QFETCH(QVariant, background);
    QFETCH(bool, selected);
    QFETCH(bool, decorationSelected);

    setUpCell(text, background, selected);
    m_cell->option.showDecorationSelected = decorationSelected;
    ItemDelegate delegate(m_view.get(), quint8(mode));
    QItemDelegate base;
    QCOMPARE(render(delegate), render(base));
}

void TestItemDelegate::overpaintStaysInsideTheCell_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QVariant>("background");

    QTest::newRow("feature row with colour") << 0 << QVariant(kFill);
    QTest::newRow("feature row without colour") << 0 << QVariant();
    QTest::newRow("structure row") << 1 << QVariant(QBrush(kFill));
}

// The view repaints only the cell when its row is deselected: a pixel painted
// outside it stays on the screen as a stale line under or over the row.
void TestItemDelegate::overpaintStaysInsideTheCell()
{
    QFETCH(int, mode);
    QFETCH(QVariant, background);

    setUpCell(QStringLiteral("Logging"), background, true);
    ItemDelegate delegate(m_view.get(), quint8(mode));
    const QImage image = render(delegate);
    const QRect r = m_cell->option.rect;
    QStringList outside;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!r.contains(x, y) && QColor(image.pixel(x, y)) != QColor(Qt::white))
                outside << QStringLiteral("(%1,%2)").arg(x).arg(y);
        }
    }
    QVERIFY2(outside.isEmpty(), qPrintable(outside.mid(0, 8).join(QLatin1Char(' '))));
    // The outline is still there, along the cell's top edge.
    QVERIFY(mode == 1 || QColor(image.pixel(r.center().x(), r.top())) != QColor(Qt::white));
}

// The structure trees select nothing; the current row must not keep a tint
// once it is no longer under the mouse (the last double-clicked file).
void TestItemDelegate::noFocusFrameInStructureTrees()
{
    setUpCell(QStringLiteral("Main.java"), QVariant(), false);
    ItemDelegate delegate(m_view.get(), 1);
    const QImage plain = render(delegate);
    m_cell->option.state |= QStyle::State_HasFocus;
    QCOMPARE(render(delegate), plain);

    // The feature tree keeps the focus frame of its base painting.
    ItemDelegate featureDelegate(m_view.get(), 0);
    QItemDelegate base;
    QCOMPARE(render(featureDelegate), render(base));
}

void TestItemDelegate::painterStateIsRestored()
{
    setUpCell(QStringLiteral("A"), QColor(kFill), true);
    ItemDelegate delegate(m_view.get(), 0);
    QImage image(200, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setBrushOrigin(QPoint(3, 4));
    painter.setPen(QPen(Qt::green, 5));
    painter.setBrush(Qt::yellow);
    delegate.paint(&painter, m_cell->option, m_cell->index);
    QCOMPARE(painter.brushOrigin(), QPoint(3, 4));
    QCOMPARE(painter.pen(), QPen(Qt::green, 5));
    QCOMPARE(painter.brush(), QBrush(Qt::yellow));
}

QTEST_MAIN(TestItemDelegate)
#include "tst_itemdelegate.moc"
