#pragma once

#include <functional>

class ColorManager;
class Feature;
class FeatureTreeWidget;
class FileTabs;
class ProjectReader;
class SMVTreeWidget;

// Keeps everything that shows colours in step with the colour manager: the
// bars of both structure trees, the rows of the feature tree, the code view
// of the current tab and the save button's preview.
class ColorSync
{
public:
    struct Parts
    {
        ColorManager *colors = nullptr;
        FeatureTreeWidget *featureTree = nullptr;
        ProjectReader *reader = nullptr; // may be null
        SMVTreeWidget *packageView = nullptr;
        SMVTreeWidget *featureView = nullptr;
        FileTabs *tabs = nullptr;
        std::function<void()> drawPreview; // the save button's preview
        // After every refresh: the colours on screen may have changed (the
        // view file records them).
        std::function<void()> changed;
    };

    explicit ColorSync(const Parts &parts);

    // After one feature's colour changed.
    void refreshFeature(Feature *feature);
    // After the colour manager's pairs changed as a whole (a saved assignment
    // was applied): the feature tree's rows take the pairs' colours too.
    void refreshAll();

private:
    void rescaleTrees();

    Parts m_parts;
};
