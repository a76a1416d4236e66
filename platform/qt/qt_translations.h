#pragma once
// Qt's own texts (the buttons and labels of its file dialogs and message boxes) in Russian,
// as the rest of the windows are.
namespace kalvimo {

// Makes Russian the default locale and loads Qt's Russian translations from a "translations" folder beside the program (where a
// Windows build carries them), else from where Qt's own installation keeps them. False when
// neither has them: Qt's texts then stay English.
bool installQtTranslations();

}  // namespace kalvimo
