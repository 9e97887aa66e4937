#include "catalogues/analyses_window.h"

#include "catalogues/analysis_sheet.h"
#include "data/cp1251.h"
#include "data/files.h"
#include "framework/fileservices.h"
#include "framework/warnings.h"

#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QStringDecoder>

#include <cmath>
#include <map>

namespace {

// A material file as the analyses see it: its list's title, name key, the sieves its form shows
// and its record's fields.
struct MaterialKind {
    QString file;
    QString title;
    DataFile *data;
    int nameKey;
    std::vector<int> shown;
    std::function<FixedString<20> &()> name;
    std::function<LONG &()> number;
    std::function<sieves::Grading &()> grading;
};

std::vector<int> sieveRange(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

const MaterialKind *kindOf(const QString &file)
{
    static const std::vector<MaterialKind> kinds = {
        {QStringLiteral("SPLIT"), QStringLiteral("Щебень"), &files::SPLIT, files::key::SPL_KEYNAME, sieveRange(0, 10),
         []() -> FixedString<20> & { return SPL.NAIMEN; }, []() -> LONG & { return SPL.NUM; },
         []() -> sieves::Grading & { return SPL.ZRN; }},
        {QStringLiteral("SANT"), QStringLiteral("Природный песок"), &files::SANT, files::key::SAN_KEYNAME, sieveRange(3, 10),
         []() -> FixedString<20> & { return SAN.NAIMEN; }, []() -> LONG & { return SAN.NUM; },
         []() -> sieves::Grading & { return SAN.ZRN; }},
        {QStringLiteral("OTSEW"), QStringLiteral("Песок из отсевов дробления"), &files::OTSEW, files::key::OTS_KEYNAME,
         sieveRange(3, 10), []() -> FixedString<20> & { return OTS.NAIMEN; }, []() -> LONG & { return OTS.NUM; },
         []() -> sieves::Grading & { return OTS.ZRN; }},
        {QStringLiteral("FILLER"), QStringLiteral("Минеральный порошок"), &files::FILLER, files::key::FIL_KEYNAME,
         sieveRange(6, 10), []() -> FixedString<20> & { return FIL.NAIMEN; }, []() -> LONG & { return FIL.NUM; },
         []() -> sieves::Grading & { return FIL.ZRN; }},
    };
    for (const MaterialKind &k : kinds)
        if (k.file == file)
            return &k;
    return nullptr;
}

bool ofMaterial(const AnalysedMaterial &m) { return ANA.MATFILE.text() == m.file && ANA.NAIMEN == m.name; }

QString captionOf(const AnalysedMaterial &m)
{
    const MaterialKind *k = kindOf(m.file);
    return QStringLiteral("%1: %2").arg(k ? k->title : m.file, m.name.text());
}

// ---- the form of one analysis ----

AnalysedMaterial g_formMaterial; // the material of the list that called the form

const FormDecl &analysisForm(const MaterialKind &kind)
{
    static std::map<QString, FormDecl> made;
    if (auto it = made.find(kind.file); it != made.end())
        return it->second;
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEANALIZ");
    d.file = &files::ANALIZ;
    d.windowTitle = QStringLiteral("Анализ зернового состава");
    d.insertTitle = QStringLiteral("Новый анализ");
    d.changeTitle = QStringLiteral("Изменение анализа");
    d.actionLine = QRect(10, 4, 300, 18);
    d.savePrompt = true;
    d.texts.push_back({QStringLiteral("MATERIAL"), QString(), QRect(10, 26, 380, 20), false, -1,
                       [] { return captionOf(g_formMaterial); }});
    d.texts.push_back({QStringLiteral("PROMPT_DATE"), QStringLiteral("Дата:"), QRect(10, 52, 80, 22)});
    d.fields.push_back({QStringLiteral("DATE"), QStringLiteral("ANA_DATE"), "d5_", QRect(95, 52, 100, 22)});
    d.texts.push_back({QStringLiteral("PROMPT_PROBA"), QStringLiteral("Проба:"), QRect(210, 52, 60, 22)});
    d.fields.push_back({QStringLiteral("PROBA"), QStringLiteral("ANA_PROBA"), "s12", QRect(270, 52, 110, 22)});
    d.texts.push_back({QStringLiteral("HEADING"), QStringLiteral("Содержание зерен мельче мм в %"), QRect(10, 82, 300, 20)});
    int row = 0;
    for (int i : kind.shown) {
        const int y = 106 + 26 * (row % 6), x = 10 + 190 * (row / 6);
        d.texts.push_back({QStringLiteral("PROMPT_ZRN_%1").arg(i + 1),
                           QStringLiteral("%1:").arg(QString::fromUtf8(sieves::LABELS[std::size_t(i)])), QRect(x, y, 60, 22)});
        d.fields.push_back({QStringLiteral("ZRN_%1").arg(i + 1), QStringLiteral("ANA_ZRN_%1").arg(i + 1), "n5.1",
                            QRect(x + 65, y, 70, 22)});
        ++row;
    }
    const int buttons = 106 + 26 * 6 + 10;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(230, buttons, 70, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отмена"), QRect(310, buttons, 70, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(395, buttons + 25 + 10);
    // A new analysis: of the list's material, dated today; the sieves its form does not show pass 100.
    d.primeFields = [](FormWindow &) {
        ANA.MATFILE.set(g_formMaterial.file);
        ANA.NAIMEN = g_formMaterial.name;
        ANA.NUM = g_formMaterial.number;
        ANA.DATE = dates::today();
        ANA.ZRN.fill(100);
        if (const MaterialKind *k = kindOf(g_formMaterial.file))
            for (int i : k->shown)
                ANA.ZRN[std::size_t(i)] = 0;
        return true;
    };
    return made.emplace(kind.file, std::move(d)).first->second;
}

// ---- import ----

std::function<QString()> g_importPathHook;

QString decodeSheet(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    // A sheet saved by a spreadsheet on Windows is often in Windows-1251.
    return utf8.hasError() ? cp1251::decode(bytes) : text;
}

void importSheet(BrowseWindow &list, const AnalysedMaterial &material)
{
    const MaterialKind *kind = kindOf(material.file);
    if (!kind)
        return;
    const QString caption = QStringLiteral("Импорт анализов");
    const QString path = g_importPathHook ? g_importPathHook()
                                          : QFileDialog::getOpenFileName(&list, caption, QString(),
                                                                         QStringLiteral("CSV (*.csv *.txt);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(QStringLiteral("Файл %1 не открыт: %2").arg(path, file.errorString()), caption, MessageIcon::Exclamation);
        return;
    }
    const analysis_sheet::Sheet sheet = analysis_sheet::read(decodeSheet(file.readAll()), kind->shown);
    if (!sheet.error.isEmpty()) {
        showMessage(QStringLiteral("Анализы не загружены.\n%1").arg(sheet.error), caption, MessageIcon::Exclamation);
        return;
    }
    // All rows or none.
    FileUse use(files::ANALIZ);
    if (!use.ok())
        return;
    const AnalizRecord kept = ANA;
    FileError e = files::ANALIZ.begin();
    for (std::size_t i = 0; i < sheet.analyses.size() && e == FileError::None; ++i) {
        const analysis_sheet::Analysis &a = sheet.analyses[i];
        ANA = AnalizRecord();
        ANA.MATFILE.set(material.file);
        ANA.NAIMEN = material.name;
        ANA.NUM = material.number;
        ANA.DATE = a.date;
        ANA.PROBA.set(a.sample); // fits: the sheet refuses a sample number the field cannot hold
        ANA.ZRN = a.passing;
        e = files::ANALIZ.add();
    }
    e = e == FileError::None ? files::ANALIZ.commit() : (files::ANALIZ.rollback(), e);
    ANA = kept;
    if (e != FileError::None) {
        showMessage(QStringLiteral("Анализы не загружены: %1").arg(fileErrorText(e)), caption, MessageIcon::Exclamation);
        return;
    }
    list.refresh();
    showMessage(QStringLiteral("Загружено анализов: %1").arg(sheet.analyses.size()), caption);
}

// ---- "Принять как основной" ----

const QString kChoice = QStringLiteral("CHOICE");       // 1 the highlighted analysis, 2 the mean of a period
const QString kFrom = QStringLiteral("DATE_FROM");
const QString kTo = QStringLiteral("DATE_TO");

struct Acceptance {
    AnalysedMaterial material;
    sieves::Grading highlighted {};
    LONG highlightedDate = 0;
};
Acceptance g_acceptance;

// The analyses of the material dated from .. to.
std::vector<sieves::Grading> analysesBetween(const AnalysedMaterial &m, LONG from, LONG to)
{
    std::vector<sieves::Grading> list;
    FileUse use(files::ANALIZ);
    if (!use.ok())
        return list;
    const AnalizRecord kept = ANA;
    files::ANALIZ.setOrder(files::key::ANA_KEYMAT);
    files::ANALIZ.setToStart();
    while (files::ANALIZ.next() == FileError::None)
        if (ofMaterial(m) && ANA.DATE >= from && ANA.DATE <= to)
            list.push_back(ANA.ZRN);
    ANA = kept;
    return list;
}

// The material's record takes `grading`; false when it is not written (a warning was shown).
bool writeGrading(const AnalysedMaterial &m, const sieves::Grading &grading)
{
    const MaterialKind *kind = kindOf(m.file);
    if (!kind)
        return false;
    FileUse use(*kind->data);
    if (!use.ok())
        return false;
    kind->data->buffer().clear();
    kind->name() = m.name;
    if (kind->data->get(kind->nameKey) != FileError::None) {
        showMessage(QStringLiteral("Материал «%1» не найден").arg(m.name.text()), QStringLiteral("Принять как основной"),
                    MessageIcon::Exclamation);
        return false;
    }
    kind->grading() = grading;
    return RIUPDATE(*kind->data, 0) == RiWritten;
}

void acceptPressed(FormWindow &form)
{
    const Acceptance &a = g_acceptance;
    sieves::Grading grading = a.highlighted;
    QString what = QStringLiteral("анализ от %1").arg(Picture::of("d5_").formatDate(a.highlightedDate));
    if (form.localNumber(kChoice) == 2) {
        const LONG from = LONG(form.localNumber(kFrom)), to = LONG(form.localNumber(kTo));
        const std::vector<sieves::Grading> period = analysesBetween(a.material, from, to);
        if (period.empty()) {
            showMessage(QStringLiteral("За этот период анализов нет"), QStringLiteral("Принять как основной"));
            return;
        }
        grading = analysis_sheet::mean(period);
        for (REAL &v : grading)
            v = std::round(v * 10) / 10; // as the forms show a grading
        const Picture date = Picture::of("d5_");
        what = QStringLiteral("среднее %1 анализов с %2 по %3").arg(period.size()).arg(date.formatDate(from), date.formatDate(to));
    }
    const LONG answer = showMessage(QStringLiteral("Зерновой состав материала «%1» заменить на %2?").arg(a.material.name.text(), what),
                                    QStringLiteral("Принять как основной"), MessageIcon::Question, MsgYes + MsgNo, MsgNo);
    if (answer != MsgYes)
        return;
    if (writeGrading(a.material, grading))
        closeHostedWindow(&form);
}

const FormDecl &acceptForm()
{
    static const FormDecl decl = [] {
        FormDecl d;
        d.procedure = QStringLiteral("ACCEPTANALIZ");
        d.file = &files::ANALIZ;
        d.windowTitle = QStringLiteral("Принять как основной");
        d.locals = {{kChoice, Value(qint64(1))}, {kFrom, Value(qint64(0))}, {kTo, Value(qint64(0))}};
        d.texts.push_back({QStringLiteral("MATERIAL"), QString(), QRect(10, 8, 360, 20), false, -1,
                           [] { return captionOf(g_acceptance.material); }});
        FormField choice{QString(), kChoice, "n1", QRect(10, 30, 360, 64)};
        choice.kind = FormControlKind::Radio;
        choice.choices = {QStringLiteral("Выделенный анализ"), QStringLiteral("Среднее анализов за период")};
        choice.groupTitle = QStringLiteral("Основным зерновым составом материала станет");
        choice.local = kChoice;
        d.fields.push_back(choice);
        d.texts.push_back({QStringLiteral("PROMPT_FROM"), QStringLiteral("с"), QRect(30, 118, 20, 22)});
        FormField from{QString(), kFrom, "d5_", QRect(55, 118, 100, 22)};
        from.local = kFrom;
        d.fields.push_back(from);
        d.texts.push_back({QStringLiteral("PROMPT_TO"), QStringLiteral("по"), QRect(170, 118, 25, 22)});
        FormField to{QString(), kTo, "d5_", QRect(200, 118, 100, 22)};
        to.local = kTo;
        d.fields.push_back(to);
        d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("Принять"), QRect(200, 154, 80, 25),
                             FormButtonRole::Other, acceptPressed});
        d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отмена"), QRect(290, 154, 80, 25),
                             FormButtonRole::Cancel, {}});
        d.size = QSize(385, 190);
        d.firstFocus = QStringLiteral("CHOICE_1");
        return d;
    }();
    return decl;
}

} // namespace

AnalysedMaterial highlightedMaterial(const QString &materialFile)
{
    AnalysedMaterial m;
    m.file = materialFile;
    if (const MaterialKind *k = kindOf(materialFile)) {
        m.name = k->name();
        m.number = k->number();
    }
    return m;
}

void setAnalysisImportPathHook(std::function<QString()> hook) { g_importPathHook = std::move(hook); }

FormWindow *acceptAnalysis(BrowseWindow &list, const AnalysedMaterial &material)
{
    g_acceptance = {material, ANA.ZRN, ANA.DATE};
    FormWindow *form = openForm(acceptForm(), glob::NoRequest, &list, [](LONG) {});
    if (form) { // the period: the whole history, oldest to newest
        LONG from = ANA.DATE, to = ANA.DATE;
        FileUse use(files::ANALIZ);
        const AnalizRecord kept = ANA;
        files::ANALIZ.setOrder(files::key::ANA_KEYMAT);
        files::ANALIZ.setToStart();
        while (use.ok() && files::ANALIZ.next() == FileError::None)
            if (ofMaterial(material)) {
                from = std::min(from, ANA.DATE);
                to = std::max(to, ANA.DATE);
            }
        ANA = kept;
        form->setLocal(kFrom, qint64(from));
        form->setLocal(kTo, qint64(to));
        form->refreshWindow();
    }
    return form;
}

BrowseDeclaration BROUSEANALIZDeclaration(const AnalysedMaterial &material)
{
    const MaterialKind *kind = kindOf(material.file);
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROUSEANALIZ");
    d.title = QStringLiteral("Анализы");
    d.file = &files::ANALIZ;
    d.fileName = QStringLiteral("ANALIZ");
    d.caption = captionOf(material);
    d.orders.push_back({QStringLiteral("По дате"), QString(), files::key::ANA_KEYMAT, BrowseKeyField{}, false});
    d.filter = [material] { return ofMaterial(material); };
    const Picture date = Picture::of("d5_");
    d.columns.push_back(BrowseColumn{QStringLiteral("Дата"), date, [date] { return date.formatDate(ANA.DATE); }, 10});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Проба"), "s12", ANA.PROBA));
    for (int i : kind ? kind->shown : sieveRange(0, 10))
        d.columns.push_back(BrowseColumn::number(QString::fromUtf8(sieves::LABELS[std::size_t(i)]), "n5.1",
                                                 [i] { return ANA.ZRN[std::size_t(i)]; })
                                .inGroup(QStringLiteral("% зерен мельче, мм")));
    d.insert = BrowseButton{QStringLiteral("&Добавить"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    if (kind)
        d.updateForm = [material, kind](LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host) {
            g_formMaterial = material;
            return static_cast<QWidget *>(openForm(analysisForm(*kind), request, caller, std::move(done), std::move(host)));
        };
    const auto haveRecord = [](const BrowseWindow &w) { return w.currentChoice() >= 0; };
    BrowseExtraButton import{QStringLiteral("Импорт CSV..."), QStringLiteral("IMPORT"),
                             [material](BrowseWindow &w) { importSheet(w, material); },
                             QStringLiteral("Загрузить анализы из таблицы лаборатории (CSV): столбцы «Дата», «Проба» и сита")};
    BrowseExtraButton exportCsv{QStringLiteral("Экспорт CSV..."), QStringLiteral("EXPORT"),
                                [](BrowseWindow &w) { w.exportCsv(); }, QStringLiteral("Записать анализы в файл CSV")};
    BrowseExtraButton accept{QStringLiteral("Принять как основной"), QStringLiteral("ACCEPT"),
                             [material](BrowseWindow &w) { acceptAnalysis(w, material); },
                             QStringLiteral("Выделенный анализ или среднее за период — в зерновой состав материала")};
    accept.enabled = haveRecord;
    exportCsv.enabled = haveRecord;
    d.extraButtons = {import, exportCsv, accept};
    return d;
}

BrowseWindow *BROUSEANALIZ(const AnalysedMaterial &material)
{
    auto *list = new BrowseWindow(BROUSEANALIZDeclaration(material));
    showInFrame(list);
    return list;
}

BrowseExtraButton analysesButton(const QString &materialFile)
{
    BrowseExtraButton b{QStringLiteral("Анализы"), QStringLiteral("ANALYSES"),
                        [materialFile](BrowseWindow &) { BROUSEANALIZ(highlightedMaterial(materialFile)); },
                        QStringLiteral("Ситовые анализы выделенного материала по датам")};
    b.enabled = [](const BrowseWindow &w) { return w.currentChoice() >= 0; };
    b.beforeClose = true;
    return b;
}
