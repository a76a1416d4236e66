#include "cli/batch_options.h"

#include <map>

namespace kalvimo {
namespace {

// The command names, which --kinds uses for the kinds of a full run too.
const std::map<std::string, RunKind> kKindNames = {
    {"rrn48", RunKind::Rrn48},     {"rrn121", RunKind::Rrn121}, {"reports", RunKind::Reports},
    {"devices", RunKind::Devices}, {"alarms", RunKind::Alarms}, {"full", RunKind::Full},
};

}  // namespace

const char* const kBatchUsage =
    "Использование: kalvimo-batch [параметры] КОМАНДА\n"
    "\n"
    "КОМАНДА (как кнопки главного окна):\n"
    "  rrn48     \"RRN 48\": рапорта аномалий в log/rep48.log и анализ ошибок в error/\n"
    "  rrn121    \"RRN 121\": рапорта 121 в log/rep121.log\n"
    "  reports   \"Заданные рапорта\": рапорта рабочего списка reports.ini\n"
    "  devices   \"Заданные устройства\": рапорта устройств списка dev.ini\n"
    "  alarms    \"Аварии\": строки аварий в log/alarm.log\n"
    "  full      \"Полная\": все отмеченные виды обработки подряд\n"
    "\n"
    "Параметры:\n"
    "  --data-dir КАТАЛОГ  каталог данных (по умолчанию ~/KARDOVELNIST)\n"
    "  --station ТЕКСТ     имя станции (по умолчанию строка 2 Kalvimo.ini, иначе ZARYA-UZEL)\n"
    "  --dir КАТАЛОГ       обработать каталог (по умолчанию каталог и режим из Kalvimo.ini)\n"
    "  --pattern ШАБЛОН    шаблон имён файлов каталога (по умолчанию *.s12)\n"
    "  --file ФАЙЛ         обработать один файл\n"
    "  --new-reports       искать новые рапорта (по умолчанию строка 8 Kalvimo.ini)\n"
    "  --new-devices       искать новые устройства (по умолчанию строка 9 Kalvimo.ini)\n"
    "  --kinds СПИСОК      для full: reports,devices,rrn121,alarms,rrn48 через запятую\n"
    "                      (по умолчанию флажки из Kalvimo.ini)\n"
    "  --wait              если каталог данных занят другой обработкой, дождаться её конца\n"
    "                      (без него - отказ с кодом 1)\n"
    "  -h, --help          эта справка\n"
    "  --version           версия программы\n"
    "\n"
    "Сообщения о ходе обработки выводятся в стандартный поток ошибок.\n"
    "Две обработки никогда не работают с одним каталогом данных одновременно.\n"
    "SIGINT (Ctrl+C) и SIGTERM останавливают обработку, как закрытие окна: файлы\n"
    "результатов сохраняют записанные строки целиком, списки не меняются.\n"
    "Код выхода: 0 - обработка завершена; 1 - был отказ (нет файла, нет файлов, пустой\n"
    "список), ошибка ввода-вывода или каталог данных занят; 2 - ошибка в командной строке;\n"
    "130 - остановлена по SIGINT; 143 - остановлена по SIGTERM.\n";

std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& args, std::string& error) {
    BatchOptions o;
    std::optional<std::string> kinds;
    bool haveCommand = false;
    std::map<std::string, bool> seen;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        if (arg == "--version") {
            o.version = true;
            continue;
        }
        if (arg.rfind("--", 0) == 0) {
            std::string name = arg;
            std::optional<std::string> inlineValue;
            if (const size_t eq = arg.find('='); eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
            if (seen[name]) {
                error = "параметр " + name + " указан дважды";
                return std::nullopt;
            }
            seen[name] = true;
            if (name == "--new-reports" || name == "--new-devices" || name == "--wait") {
                if (inlineValue) {
                    error = "параметр " + name + " не принимает значения";
                    return std::nullopt;
                }
                (name == "--new-reports" ? o.newReports : name == "--new-devices" ? o.newDevices : o.wait) = true;
                continue;
            }
            std::optional<std::string>* target = nullptr;
            if (name == "--data-dir") target = &o.dataDir;
            else if (name == "--station") target = &o.station;
            else if (name == "--dir") target = &o.dir;
            else if (name == "--pattern") target = &o.pattern;
            else if (name == "--file") target = &o.file;
            else if (name == "--kinds") target = &kinds;
            if (!target) {
                error = "неизвестный параметр " + name;
                return std::nullopt;
            }
            if (inlineValue) {
                *target = *inlineValue;
            } else {
                if (i + 1 >= args.size()) {
                    error = "у параметра " + name + " нет значения";
                    return std::nullopt;
                }
                *target = args[++i];
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error = "неизвестный параметр " + arg;
            return std::nullopt;
        }
        const auto c = kKindNames.find(arg);
        if (c == kKindNames.end()) {
            error = "неизвестная команда " + arg;
            return std::nullopt;
        }
        if (haveCommand) {
            error = "команда указана дважды";
            return std::nullopt;
        }
        haveCommand = true;
        o.command = c->second;
    }
    if (o.help || o.version) return o;
    if (!haveCommand) {
        error = "не указана команда";
        return std::nullopt;
    }
    if (kinds && o.command != RunKind::Full) {
        error = "параметр --kinds допустим только с командой full";
        return std::nullopt;
    }
    if (o.dir && o.file) {
        error = "параметры --dir и --file нельзя указывать вместе";
        return std::nullopt;
    }
    if (kinds) {
        o.kinds = parseKinds(*kinds, error);
        if (!o.kinds) return std::nullopt;
    }
    return o;
}

std::optional<std::vector<Choice>> parseKinds(const std::string& list, std::string& error) {
    std::vector<Choice> ticked;
    if (list.empty()) return ticked;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto named = kKindNames.find(name);
        const FullRunKind* kind = nullptr;
        for (const FullRunKind& k : kFullRunKinds)
            if (named != kKindNames.end() && k.kind == named->second) kind = &k;
        if (!kind) {
            error = "неизвестный вид обработки \"" + name + "\" в --kinds";
            return std::nullopt;
        }
        ticked.push_back(kind->choice);
        if (comma == std::string::npos) return ticked;
        start = comma + 1;
    }
}

}  // namespace kalvimo
