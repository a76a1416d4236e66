#pragma once
// The test classes of the main window; main.cpp runs them one after another.
#include <QObject>

class StartupSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void modeButtonsFollowTheirPicture();
    void savesTheElevenLines();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void failedSave_data();
    void failedSave();
    void fifosInPlaceOfTheSettingsFiles();
};

class RunsTest : public QObject {
    Q_OBJECT
private slots:
    void sameResultsAsTheBatchProgram_data();
    void sameResultsAsTheBatchProgram();
    void controlsDuringARun_data();
    void controlsDuringARun();
    void stateAfterARun_data();
    void stateAfterARun();
    void statusAndSelectionFollowTheWalk();
    void modeSwitchDuringTheWalk_data();
    void modeSwitchDuringTheWalk();
    void closingDuringARun_data();
    void closingDuringARun();
    void busyDataDirectoryStartsNothing();
};

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void unreadableDrive_data();
    void unreadableDrive();
    void readableDrives();
    void patternTakesEffectAtEveryKeystroke();
    void toolbarButtons_data();
    void toolbarButtons();
    void menuItems_data();
    void menuItems();
    void t1SavesLikeTheMenu();
    void closeCommands_data();
    void closeCommands();
    void statisticsButton_data();
    void statisticsButton();
    void oddFileNamesAreReadAndSkipsAreNoted();
};

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void commandsOpenTheirWindow_data();
    void commandsOpenTheirWindow();
    void listWindowsReadTheirFilesAtEachOpening_data();
    void listWindowsReadTheirFilesAtEachOpening();
    void listChangesReachTheNextRun_data();
    void listChangesReachTheNextRun();
    void aRunClosesTheResultsWindow_data();
    void aRunClosesTheResultsWindow();
    void resultsWindowReportsOnTheStatusLine_data();
    void resultsWindowReportsOnTheStatusLine();
    void printoutOpensInTheViewerFromTheFileList();
};

class InputTest : public QObject {
    Q_OBJECT
private slots:
    void typedTextStaysAsTyped_data();
    void typedTextStaysAsTyped();
    void fileModeTakesOnlyAVisiblySelectedFile();
    void hiddenFoldersStayHidden_data();
    void hiddenFoldersStayHidden();
    void aFolderWithoutAccessIsNamed_data();
    void aFolderWithoutAccessIsNamed();
    void aLongStatusStaysReadable();
    void theFileListFollowsTheFolder();
    void keysPressTheFocusedButton_data();
    void keysPressTheFocusedButton();
};
