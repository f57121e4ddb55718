#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class CodeView;
class ColorManager;
class ColorSync;
class ConditionLook;
class CurrentFileSearch;
class Feature;
class FeatureTreeWidget;
class FileTabs;
class ProjectReader;
class QColorDialog;
class QListWidgetItem;
class QTimer;
class QTreeWidgetItem;
class QuestionDialog;
class SearchResults;
class STNode;
class StudySession;
struct StudyInputs;
class ViewRecorder;
class WindowStudyViewer;
namespace Ui { class MainWindowForm; }

// The main window: builds the form, creates the feature tree, the colour
// manager, the project reader and the questionnaire, and ties them together.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // What the window is built for. A replay shows a sitting that is over:
    // it is built without the questionnaire (so without the log and the
    // answers), without the 15-minute reminder and without the save button,
    // so nothing that is clicked in it can write into the study folder.
    enum class Purpose { Sitting, Replay };

    // Asks for the project folder in a folder dialog. When it is cancelled the
    // window builds nothing and writes nothing: hasProject() is false.
    explicit MainWindow(QWidget *parent = nullptr);
    // Uses the given project folder without asking.
    explicit MainWindow(const QString &projectFolder, QWidget *parent = nullptr);
    MainWindow(const QString &projectFolder, Purpose purpose, QWidget *parent = nullptr);
    ~MainWindow() override;

    // False when the folder dialog was cancelled, the folder refused or the
    // study could not start; the program then ends.
    bool hasProject() const { return m_form != nullptr; }
    // True when the chosen folder takes no files, so no sitting could keep
    // its log and answers; a dialog has said so and nothing was built.
    bool folderRefused() const { return m_folderRefused; }
    // The folder's study.json or participants.csv has errors: a dialog said
    // so and nothing was built or written.
    bool studyRefused() const { return m_studyRefused; }
    Purpose purpose() const { return m_purpose; }
    Ui::MainWindowForm *form() const { return m_form; }
    FeatureTreeWidget *featureTree() const { return m_featureTree.get(); }
    ColorManager *colorManager() const { return m_colorManager.get(); }
    ProjectReader *projectReader() const { return m_projectReader.get(); }
    QuestionDialog *questionDialog() const { return m_questionDialog; }
    QColorDialog *colorDialog() const { return m_colorDialog; }
    // The study's parts (null before they are set up).
    StudySession *studySession() const { return m_studySession.get(); }
    ConditionLook *conditionLook() const { return m_conditionLook.get(); }
    ViewRecorder *viewRecorder() const { return m_viewRecorder.get(); }
    CodeView *currentCodeView() const;
    FileTabs *fileTabs() const { return m_tabs.get(); }
    CurrentFileSearch *currentFileSearch() const { return m_currentFileSearch.get(); }
    // Opens the file in a new tab, makes it current and logs it once painted;
    // node (may be null) holds its fragments. The new tab's view.
    CodeView *openTab(STNode *node, const QString &filePath, const QString &title);
    // The view the marks of the last search in the current file are in.
    QPointer<CodeView> findView() const;
    // Lists one result row of the project search with the file row it was
    // found in; pressing the row opens that file.
    void addSearchResult(const QString &row, STNode *node);

    // Called back by the project reader: gives every file row its file path.
    void fillFilePaths();
    // Refreshes every view of one feature after its colour changed.
    void refreshFeature(Feature *feature);
    // Takes the colour of one feature row back into the palette.
    void removeRowColor(QTreeWidgetItem *row);
    // Fills the palette list from the colour manager's palette.
    void fillPaletteList();
    // Draws the small preview of the coloured features on the save button.
    void drawSaveButtonPreview();
    // The one place through which the window writes the study log.
    void log(const QString &action, const QString &fileName = QString());

public Q_SLOTS:
    // Kept so that the slot list and its meta-object order stay whole, but
    // nothing connects it: the palette list keeps its own selection colour.
    void highlightColor(QListWidgetItem *item);
    void explorerToggled(bool checked);
    // Only reached from the diagnostic dock's "update" button; that dock is hidden.
    void showColorArray();
    void customColorDialog();
    void closeCustomColorDialog();
    void showListWidgetContextMenu(const QPoint &pos);
    void showFeatureModelContextMenu(const QPoint &pos);
    void deleteColorFromColorArray();
    void resetListWidget();
    void saveColors();
    void loadColors();
    void openFile(QTreeWidgetItem *item);
    void closeTab(int index);
    // Kept for the slot list like highlightColor(); connected to a press on a
    // package-view row, and does nothing on purpose.
    void showFeatureFractureList(QTreeWidgetItem *item);
    void updateTabColors(int index);
    void setFeatureOpacity(int value);
    void removeColorAssignment();
    void updateAllColors();
    void search();
    void removeFinds();
    void openFileFromListWidget(QListWidgetItem *item);
    void resetLastSearch();
    void writeToLogFileOpened();
    void writeToLogSaturationChanged();
    void searchInFeatureModel();
    void showTimeMessage();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Says in a dialog why no sitting can start in a folder that takes no
    // files; false then.
    bool acceptStudyFolder(const QString &folder);
    // Builds the window for the folder in ProjectFolder::path(), in the
    // steps below.
    void setUp();
    void buildFeatureTree(const QString &folder);
    void buildColorManager();
    // Fills both structure trees from annotations.xml and the sources.
    void readProject(const QString &folder);
    // The placeholder tabs go, the finder floats hidden, the palette wraps.
    void prepareForm();
    // The open tabs, the searches' state and the colour keeping.
    void buildHelpers();
    void connectForm();
    // The trees unfolded as far as they start, the unused widgets hidden.
    void foldTrees();
    void createQuestionnaire(const QString &folder);
    void startReminder();
    // Reads the folder's study design; false (after telling the researcher
    // why) when a sitting cannot start with it.
    bool admitStudyDesign(const QString &folder);
    // The condition look, the session file and the view file.
    void setUpStudy();
    // At sign-in, before anything is written: the participant's condition
    // and task order; false keeps them out.
    bool checkSignIn(const QString &account, const QString &user);
    // After sign-in: the session file, the condition's look and colours.
    void beginSitting();
    // The questionnaire was finished or the window closes (closing).
    void endSitting(bool closing);
    // Shows the finder with the keyboard in its search field; the first time
    // at the top right of the code, inside the window.
    void showFinder();
    // Gives the right-hand docks the same split in every run: the palette and
    // the save controls as much as they show, the feature model the rest.
    void splitRightDocks();
    void splitRightDocksSoon();
    // Gives the right-hand docks back the width they were first laid out
    // with, as far as the code area can spare it; true when it did.
    bool keepRightDocksWidth();

    Purpose m_purpose = Purpose::Sitting;
    std::unique_ptr<ColorManager> m_colorManager;
    std::unique_ptr<FeatureTreeWidget> m_featureTree;
    std::unique_ptr<ProjectReader> m_projectReader;
    QColorDialog *m_colorDialog = nullptr;
    QListWidgetItem *m_paletteItemUnderMenu = nullptr;
    QTreeWidgetItem *m_featureItemUnderMenu = nullptr;
    QuestionDialog *m_questionDialog = nullptr;
    std::unique_ptr<WindowStudyViewer> m_studyViewer; // outlives the questionnaire
    Ui::MainWindowForm *m_form = nullptr; // owned, deleted first
    bool m_featureModelDockVisible = false;
    bool m_colorsDockVisible = false;
    bool m_colorAssignmentsDockVisible = false;
    QTreeWidgetItem *m_featureSearchPosition = nullptr;
    QString m_lastFeatureSearch;
    std::unique_ptr<FileTabs> m_tabs;
    std::unique_ptr<CurrentFileSearch> m_currentFileSearch;
    std::unique_ptr<SearchResults> m_searchResults;
    std::unique_ptr<ColorSync> m_colorSync;
    std::unique_ptr<StudyInputs> m_studyInputs;
    std::unique_ptr<StudySession> m_studySession;
    std::unique_ptr<ConditionLook> m_conditionLook;
    std::unique_ptr<ViewRecorder> m_viewRecorder;
    bool m_studyRefused = false;
    bool m_presetPending = false; // a condition's assignment waits for the sign-in
    int m_elapsedMinutes = 0;
    QTimer *m_reminderTimer = nullptr;
    bool m_finderPlaced = false;
    bool m_folderRefused = false;
    int m_rightDocksWidth = 0; // of the right docks when first laid out
    bool m_widthKept = false;  // the split before gave it back
    bool m_splitPending = false;

    // The detached items the two "under menu" pointers start with. Owned here,
    // so they are freed whatever those pointers point to later.
    std::unique_ptr<QListWidgetItem> m_detachedPaletteItem;
    std::unique_ptr<QTreeWidgetItem> m_detachedFeatureItem;
};
