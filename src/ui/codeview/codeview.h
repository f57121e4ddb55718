#pragma once

#include <QFont>
#include <QList>
#include <QWidget>

class BackgroundFracture;
class Feature;
class FeatureTreeWidget;
class Highlighter;
class LineNumberColumn;
class PlainTextColumn;
class QFile;
class QGraphicsScene;
class QGraphicsTextItem;
class QGraphicsView;
class QHBoxLayout;
class QTextEdit;
class SideBarFracture;
class STNode;

// One file tab: line numbers, side bars, the code with a coloured band behind
// every annotated fragment, and a mirrored overview of the side bars.
class CodeView : public QWidget
{
    Q_OBJECT

public:
    // Takes ownership of file; the window argument (the main window, kept in
    // the argument list its callers know) is not used.
    CodeView(FeatureTreeWidget *featureTree, STNode *fileNode, QWidget *window, QFile *file,
             int opacity);
    ~CodeView() override;

    void buildSideBars();
    void buildLineNumbers();
    void buildBackgrounds();

    // Shows or hides all colour of the fragments: the side-bar column, the
    // overview and the bands behind the code (a study's group without
    // colours sees only the code and its line numbers).
    void setColoursShown(bool shown);
    bool coloursShown() const { return m_coloursShown; }

    void setOpacity(int opacity);
    void applyOpacity();
    void refreshAllColors();
    void refreshFeatureColors(Feature *feature);

    QFile *file() const { return m_file; }
    QString fileName() const;
    STNode *fileNode() const { return m_fileNode; }
    bool justOpened() const { return m_justOpened; }
    void setJustOpened(bool justOpened) { m_justOpened = justOpened; }
    int opacity() const { return m_opacity; }

    // Parts that the search and the log work with.
    QGraphicsScene *codeScene() const { return m_codeScene; }
    QGraphicsView *codeGraphicsView() const { return m_codeView; }
    QGraphicsTextItem *textItem() const { return m_textItem; }
    QTextEdit *textEdit() const { return m_textEdit; }
    QGraphicsView *lineNumberView() const { return m_lineNumberView; }
    QGraphicsScene *lineNumberScene() const { return m_lineNumberScene; }
    // The line numbers, once built.
    LineNumberColumn *lineNumbers() const { return m_lineNumbers; }
    QGraphicsView *sideBarView() const { return m_sideBarView; }
    QGraphicsScene *sideBarScene() const { return m_sideBarScene; }
    QGraphicsView *overviewView() const { return m_overviewView; }
    SideBarFracture *extentBar() const { return m_extentBar; }

    // The first and last line numbers shown in the line-number column, or
    // -1, -1 before they are built.
    QPair<int, int> visibleLineRange() const;

    // The font of the code and of the line numbers.
    static QFont codeFont();
    // Vertical distance between two lines of the code as laid out.
    qreal lineStep() const;
    // Top of the code's first line below the top of the code scene.
    qreal textMargin() const;
    // Height of the code, margins included.
    qreal textHeight() const;
    // The painted text of a file too large to lay out whole, or null.
    PlainTextColumn *plainText() const { return m_plainText; }
    // The side bars of the fragments, in the order of the file's fragments.
    const QList<SideBarFracture *> &sideBars() const { return m_sideBars; }
    // The bands behind the code, in the order they were made.
    const QList<BackgroundFracture *> &backgrounds() const { return m_backgrounds; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The columns left to right: line numbers, side bars, code, overview;
    // one scroll bar moves them all.
    void buildColumns(QHBoxLayout *layout);
    // Reads the file into the text edit's document and shows it in the code
    // column; the document's line count.
    int loadText(const QFont &font);
    // Makes the side-bar column and the overview wide enough to show the
    // whole side-bar scene, operator labels included, inside their frames.
    void fitSideBarColumn();
    QGraphicsScene *m_codeScene = nullptr;
    QGraphicsView *m_codeView = nullptr;
    QTextEdit *m_textEdit = nullptr;
    QFile *m_file = nullptr;
    QGraphicsView *m_lineNumberView = nullptr;
    QGraphicsScene *m_lineNumberScene = nullptr;
    QGraphicsTextItem *m_textItem = nullptr;
    LineNumberColumn *m_lineNumbers = nullptr;   // owned by the line-number scene
    PlainTextColumn *m_plainText = nullptr;      // owned by the text item
    bool m_justOpened = true;
    SideBarFracture *m_extentBar = nullptr;
    QGraphicsView *m_sideBarView = nullptr;
    QGraphicsScene *m_sideBarScene = nullptr;
    QGraphicsView *m_overviewView = nullptr;
    FeatureTreeWidget *m_featureTree = nullptr;
    int m_opacity = 170;
    bool m_coloursShown = true;
    STNode *m_fileNode = nullptr;
    Highlighter *m_highlighter = nullptr;
    qreal m_lineStep = 0;
    QList<SideBarFracture *> m_sideBars;         // owned by the side-bar scene
    QList<BackgroundFracture *> m_backgrounds;   // owned by the code scene
};
