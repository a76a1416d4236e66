#pragma once
// Fixed status texts of the runs (UTF-8). "Cтоп" begins with the Latin C; the start-up text
// "Стоп" is all Cyrillic.
#include <string>

namespace kalvimo::texts {

inline constexpr const char* kStopAfterRun = "C\xD1\x82\xD0\xBE\xD0\xBF";  // Latin C + "топ"
inline constexpr const char* kNoFileSelected = "Файл не выбран";
inline constexpr const char* kNoFilesInDir = "Нет файлов *.s12 в выбранном каталоге";
inline constexpr const char* kFileDone = "Файл обработан";
inline constexpr const char* kDirDone = "Каталог обработан";
inline constexpr const char* kErrorCountPrefix = "  Идет обработка ошибок  ";
inline constexpr const char* kComposingReport = "Составляется отчет";
inline constexpr const char* kInputSkipped = "; файл пропущен";
inline constexpr const char* kRunStopped = "Обработка остановлена";
inline constexpr const char* kRunOutOfMemory = "Обработка прервана: недостаточно памяти";
inline constexpr const char* kRunAbortedUnexpectedly = "Обработка прервана: внутренняя ошибка программы";
inline constexpr const char* kListsNotRestored = "Списки не восстановлены: недостаточно памяти";
inline constexpr const char* kListEmpty = "Список  пустой";  // two spaces
inline constexpr const char* kSelectedFileDone = "Выбранный файл обработан";

// An entry of a working list that would put its result file outside log/ (UTF-8, as shown).
inline std::string numberUnfitForFileName(const std::string& shown) {
    return "Номер «" + shown + "» не годится для имени файла результата; номер пропущен";
}
inline std::string commentUnfitForFileName(const std::string& shown) {
    return "Комментарий «" + shown + "» не годится для имени файла результата; устройство пропущено";
}
// A result file of the run listed among its own input files.
inline std::string inputIsThisRunsResult(const std::string& shownPath) {
    return "Файл " + shownPath + " — результат этой же обработки";
}

}  // namespace kalvimo::texts
