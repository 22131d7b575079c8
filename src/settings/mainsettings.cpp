#include "settings/mainsettings.h"

#include "core/dialogs.h"
#include "core/workspace.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QTableView>

MainSettings::MainSettings(Workspace &workspace, Widgets widgets) :
    workspace_(workspace), widgets_(widgets), font_(widgets.grid)
{}

QString MainSettings::path() const { return workspace_.paths().path(ProgramPaths::Place::Settings); }

Preferences MainSettings::read() const
{
    SettingsFile file(path());
    Preferences preferences;
    if (!file.load(preferences))
        Dialogs::instance().error(file.errorString());
    return preferences;
}

void MainSettings::applyColumns(const Preferences &preferences)
{
    preferences.applyColumns(workspace_.globals().catalogue);
    columnsRead_ = true;
}

void MainSettings::applyPanels(const Preferences &preferences)
{
    widgets_.gridPanel->setVisible(preferences.gridPanelVisible);
    widgets_.cardPanel->setVisible(preferences.cardPanelVisible);
}

void MainSettings::showTickedColumns()
{
    Globals &globals = workspace_.globals();
    GridColumns &grid = workspace_.gridColumns();
    for (GridColumn &column : grid.columns)
        column.visible = false;
    for (const CheckList &list : globals.checkLists) {
        for (int item = 0; item < list.items.size(); ++item) {
            if (list.isChecked(item))
                ColumnSetup::showColumnForItem(grid, item, list);
        }
    }
}

void MainSettings::applyFont(const Preferences &preferences)
{
    font_.setFromSettings(preferences.fontName, preferences.fontColor, preferences.fontHeight);
}

void MainSettings::dockPanels()
{
    QWidget *area = widgets_.gridPanel->parentWidget();
    auto *layout = area ? qobject_cast<QBoxLayout *>(area->layout()) : nullptr;
    if (!layout)
        return;
    // The docked panel keeps its own height; the other takes the rest of the window.
    const bool grid = !widgets_.gridPanel->isHidden();
    layout->setStretchFactor(widgets_.gridPanel, grid ? 1 : 0);
    layout->setStretchFactor(widgets_.cardPanel, grid ? 0 : 1);
}

void MainSettings::SaveSettings()
{
    // What the windows do not change (the backup keys) keeps its stored value, or its default.
    Preferences preferences;
    SettingsFile(path()).load(preferences);
    preferences.initialQueryKind = workspace_.globals().initialQueryKind;
    // Hidden as a widget of its own, whatever the state of the window, which is closing.
    preferences.gridPanelVisible = !widgets_.gridPanel->isHidden();
    preferences.cardPanelVisible = !widgets_.cardPanel->isHidden();
    preferences.takeColumns(workspace_.globals().catalogue);
    preferences.fontName = font_.fontName();
    preferences.fontColor = font_.fontColor();
    preferences.fontHeight = font_.fontHeight();

    // The user's configuration folder does not exist before the first exit.
    QDir().mkpath(QFileInfo(path()).absolutePath());
    SettingsFile file(path());
    const auto columns = columnsRead_ ? SettingsFile::ColumnSections::Write : SettingsFile::ColumnSections::KeepStored;
    if (!file.save(preferences, columns))
        Dialogs::instance().error(file.errorString());
}
