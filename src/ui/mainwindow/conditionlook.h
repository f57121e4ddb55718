#pragma once

struct StudyCondition;
class CodeView;
class FeatureTreeWidget;
class FileTabs;
namespace Ui { class MainWindowForm; }

// What a study's condition changes in the window: whether colours show at
// all (bands, side bars, tree bars, palette), whether they can be changed
// (palette, drops, removals, loading saved assignments, the opacity
// slider), and where the opacity slider starts.
class ConditionLook
{
public:
    ConditionLook(Ui::MainWindowForm *form, FeatureTreeWidget *featureTree, FileTabs *tabs);

    // Colours shown and changeable: the window as it is without a study design.
    void showEverything();
    // Before a participant of a study with conditions signs in, the condition
    // is not known yet: nothing shows colour and nothing can be coloured.
    void showNothingYet();
    // The participant's condition; its saved assignment is applied elsewhere.
    void apply(const StudyCondition &condition);
    // A newly opened tab takes the look of the window.
    void prepare(CodeView *view) const;

    bool coloursShown() const { return m_colours; }
    bool colorsLocked() const { return m_locked; }

private:
    void update(bool colours, bool locked);

    Ui::MainWindowForm *m_form;
    FeatureTreeWidget *m_featureTree;
    FileTabs *m_tabs;
    bool m_colours = true;
    bool m_locked = false;
    bool m_packageDrops;
    bool m_featureViewDrops;
};
