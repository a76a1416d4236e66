#include "cli/batch_options.h"

#include <iterator>
#include <map>

#include "engine/kinds.h"

namespace kalvimo {
namespace {

// A kind by the command that names it, which --kinds uses for the kinds of a full run too.
std::optional<RunKind> kindNamed(std::string_view word) {
    for (const KindRow& k : kinds())
        if (k.word == word) return k.kind;
    if (word == kFullRunWord) return RunKind::Full;
    return std::nullopt;
}

// The commands in the order --help lists them, with what each does beside the caption of its
// button.
const std::pair<RunKind, const char*> kCommandTexts[] = {
    {RunKind::Rrn48, "рапорта аномалий в log/rep48.log и анализ ошибок в error/"},
    {RunKind::Rrn121, "рапорта 121 в log/rep121.log"},
    {RunKind::Reports, "рапорта рабочего списка reports.ini"},
    {RunKind::Devices, "рапорта устройств списка dev.ini"},
    {RunKind::Alarms, "строки аварий в log/alarm.log"},
    {RunKind::Full, "все отмеченные виды обработки подряд"},
};
static_assert(std::size(kCommandTexts) == kKindCount + 1);

std::string commandLines() {
    std::string lines;
    for (const auto& [kind, text] : kCommandTexts) {
        const bool full = kind == RunKind::Full;
        std::string line = "  " + std::string(full ? kFullRunWord : kindRow(kind).word);
        line.resize(12, ' ');
        lines += line + "\"" + std::string(full ? kFullRunButtonText : kindRow(kind).buttonText) + "\": " + text + "\n";
    }
    return lines;
}

}  // namespace

const std::string& batchUsage() {
    static const std::string usage =
    "Использование: kalvimo-batch [параметры] КОМАНДА\n"
    "\n"
    "КОМАНДА (как кнопки главного окна):\n" + commandLines() +
    "  chart     график последней обработки RRN 48 в файл рисунка, без экрана;\n"
    "            каталог данных только читается\n"
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
    "  --quiet             выводить только отказы и ошибки\n"
    "  --out ФАЙЛ          для chart: рисунок, ФАЙЛ.png или ФАЙЛ.svg\n"
    "  --by type|time      для chart: по типам ошибок (по умолчанию) или по времени\n"
    "  -h, --help          эта справка\n"
    "  --version           версия программы\n"
    "\n"
    "Сообщения о ходе обработки выводятся в стандартный поток ошибок, по одному в строке;\n"
    "на терминале под ними видна строка хода: проход, файл, прочитано МБ, скорость,\n"
    "оставшееся время.\n"
    "Две обработки никогда не работают с одним каталогом данных одновременно.\n"
    "SIGINT (Ctrl+C) и SIGTERM останавливают обработку, как закрытие окна: файлы\n"
    "результатов сохраняют записанные строки целиком, списки не меняются.\n"
    "Код выхода: 0 - обработка завершена; 1 - был отказ (нет файла, нет файлов, пустой\n"
    "список; для chart - нет данных), ошибка ввода-вывода или каталог данных занят;\n"
    "2 - ошибка в командной строке; 130 - остановлена по SIGINT; 143 - остановлена по SIGTERM.\n";
    return usage;
}

namespace {

// Parses the state of one command line: the options as they come, the command among them.
class OptionParser {
public:
    OptionParser(const std::vector<std::string>& args, std::string& error) : args_(args), error_(error) {}
    std::optional<BatchOptions> parse();

private:
    bool option(size_t& i);   // args_[i] begins with "--"; may take args_[i + 1] as its value
    bool command(const std::string& word);
    bool fail(std::string text) {
        error_ = std::move(text);
        return false;
    }
    // What the options say together, once all are read.
    bool consistent();

    const std::vector<std::string>& args_;
    std::string& error_;
    BatchOptions o_;
    std::optional<std::string> kinds_;
    bool haveCommand_ = false;
    std::map<std::string, bool> seen_;
};

std::optional<BatchOptions> OptionParser::parse() {
    for (size_t i = 0; i < args_.size(); ++i) {
        const std::string& arg = args_[i];
        bool ok = true;
        if (arg == "-h" || arg == "--help") o_.help = true;
        else if (arg == "--version") o_.version = true;
        else if (arg.rfind("--", 0) == 0) ok = option(i);
        else if (arg.size() > 1 && arg[0] == '-') ok = fail("неизвестный параметр " + arg);
        else ok = command(arg);
        if (!ok) return std::nullopt;
    }
    if (o_.help || o_.version) return o_;
    if (!consistent()) return std::nullopt;
    return o_;
}

bool OptionParser::option(size_t& i) {
    const std::string& arg = args_[i];
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
    }
    if (seen_[name]) return fail("параметр " + name + " указан дважды");
    seen_[name] = true;
    static const std::map<std::string, bool BatchOptions::*> flags = {
        {"--new-reports", &BatchOptions::newReports}, {"--new-devices", &BatchOptions::newDevices},
        {"--wait", &BatchOptions::wait},              {"--quiet", &BatchOptions::quiet},
    };
    if (const auto flag = flags.find(name); flag != flags.end()) {
        if (inlineValue) return fail("параметр " + name + " не принимает значения");
        o_.*(flag->second) = true;
        return true;
    }
    const std::map<std::string, std::optional<std::string>*> valued = {
        {"--data-dir", &o_.dataDir}, {"--station", &o_.station}, {"--dir", &o_.dir}, {"--pattern", &o_.pattern},
        {"--file", &o_.file},        {"--kinds", &kinds_},       {"--out", &o_.out}, {"--by", &o_.by},
    };
    const auto target = valued.find(name);
    if (target == valued.end()) return fail("неизвестный параметр " + name);
    if (inlineValue) {
        *target->second = *inlineValue;
        return true;
    }
    if (i + 1 >= args_.size()) return fail("у параметра " + name + " нет значения");
    *target->second = args_[++i];
    return true;
}

bool OptionParser::command(const std::string& word) {
    const std::optional<RunKind> kind = kindNamed(word);
    if (!kind && word != "chart") return fail("неизвестная команда " + word);
    if (haveCommand_) return fail("команда указана дважды");
    haveCommand_ = true;
    if (kind) o_.command = *kind;
    else o_.chart = true;
    return true;
}

bool OptionParser::consistent() {
    if (!haveCommand_) return fail("не указана команда");
    if (kinds_ && o_.command != RunKind::Full) return fail("параметр --kinds допустим только с командой full");
    if (o_.dir && o_.file) return fail("параметры --dir и --file нельзя указывать вместе");
    if (kinds_) {
        o_.kinds = parseKinds(*kinds_, error_);
        if (!o_.kinds) return false;
    }
    return chartOptionsFit(o_, error_);
}

}  // namespace

std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& args, std::string& error) {
    return OptionParser(args, error).parse();
}

bool chartOptionsFit(const BatchOptions& o, std::string& error) {
    if (!o.chart) {
        if (o.out || o.by) error = "параметры --out и --by допустимы только с командой chart";
        return !(o.out || o.by);
    }
    const std::pair<bool, const char*> unused[] = {
        {o.dir.has_value(), "--dir"},        {o.file.has_value(), "--file"},   {o.pattern.has_value(), "--pattern"},
        {o.station.has_value(), "--station"}, {o.newReports, "--new-reports"}, {o.newDevices, "--new-devices"},
    };
    for (const auto& [given, name] : unused) {
        if (given) {
            error = std::string("параметр ") + name + " не используется командой chart";
            return false;
        }
    }
    if (!o.out) {
        error = "для команды chart нужен параметр --out ФАЙЛ.png или --out ФАЙЛ.svg";
        return false;
    }
    std::string suffix = o.out->size() >= 4 ? o.out->substr(o.out->size() - 4) : "";
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (suffix != ".png" && suffix != ".svg") {
        error = "имя файла --out должно оканчиваться на .png или .svg";
        return false;
    }
    if (o.by && *o.by != "type" && *o.by != "time") {
        error = "параметр --by принимает type или time";
        return false;
    }
    return true;
}

std::optional<std::vector<RunKind>> parseKinds(const std::string& list, std::string& error) {
    std::vector<RunKind> ticked;
    if (list.empty()) return ticked;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<RunKind> kind = kindNamed(name);
        if (!kind || *kind == RunKind::Full) {
            error = "неизвестный вид обработки \"" + name + "\" в --kinds";
            return std::nullopt;
        }
        ticked.push_back(*kind);
        if (comma == std::string::npos) return ticked;
        start = comma + 1;
    }
}

}  // namespace kalvimo
