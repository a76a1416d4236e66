#include "platform/io_error.h"

#include <cerrno>
#include <cstring>

#include "platform/cp1251.h"

namespace kalvimo {

std::string describeErrno(int err) {
    switch (err) {
        case ENOENT: return "файл или каталог не найден";
        case EACCES:
        case EPERM: return "нет доступа";
        case ENOSPC: return "нет места на диске";
#ifdef EDQUOT
        case EDQUOT: return "превышена дисковая квота";
#endif
        case EROFS: return "файловая система только для чтения";
        case EISDIR: return "это каталог";
        case ENOTDIR: return "путь проходит через файл, а не каталог";
        case EIO: return "ошибка ввода-вывода";
        case ENAMETOOLONG: return "слишком длинное имя";
        case EMFILE:
        case ENFILE: return "слишком много открытых файлов";
        case ELOOP: return "слишком много символических ссылок";
        case EFBIG: return "файл слишком велик";
        case EBUSY:
        case ETXTBSY: return "файл занят";
        case EINVAL: return "недопустимое имя или операция";
        case ENOMEM: return "недостаточно памяти";
        case kNotRegularFile: return "не является обычным файлом";
        case kChangedWhileRead: return "файл изменился во время чтения";
        default: {
            if (err <= kOtherSystemError) return "системная ошибка " + std::to_string(kOtherSystemError - err);
            std::string text = "ошибка ";
            text += std::to_string(err);
            text += " (";
            text += std::strerror(err);
            text += ")";
            return text;
        }
    }
}

IoError::IoError(Op op, std::string path, int err)
    : std::runtime_error(path), op_(op), path_(std::move(path)), err_(err) {}

IoError::IoError(Op op, std::string path, int err, std::string text)
    : std::runtime_error(path), op_(op), path_(std::move(path)), err_(err), text_(std::move(text)) {}

std::string IoError::message() const {
    if (!text_.empty()) return text_;
    // Whatever was being done, the file is the subject here.
    if (err_ == kNotRegularFile) return "Файл " + fileNameForDisplay(path_) + " не является обычным файлом";
    const char* what = "";
    switch (op_) {
        case Op::Open: what = "Не удалось открыть файл "; break;
        case Op::Read: what = "Ошибка чтения файла "; break;
        case Op::Create: what = "Не удалось создать файл "; break;
        case Op::CreateDir: what = "Не удалось создать каталог "; break;
        case Op::Write: what = "Ошибка записи в файл "; break;
        case Op::Delete: what = "Не удалось удалить файл "; break;
        case Op::List: what = "Не удалось прочитать каталог "; break;
    }
    std::string text(what);
    text += fileNameForDisplay(path_);
    text += ": ";
    text += describeErrno(err_);
    return text;
}

}  // namespace kalvimo
