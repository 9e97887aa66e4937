#include "catalogues/bitumen_window.h"

#include "framework/procedures_ui.h"
#include "data/files.h"
#include "data/globals.h"


namespace {

template <int D, int P>
BrowseColumn decimalColumn(const QString &header, const char *picture, const Decimal<D, P> &field,
                           const QString &group = {})
{
    return BrowseColumn::number(header, picture, [&field] { return field.toDouble(); }).inGroup(group);
}

// One prompt and its entry field on a row of the form.
void addRow(FormDecl &d, int x, int y, int promptWidth, const QString &prompt, const char *column,
            const char *picture, int fieldWidth)
{
    const QString name = QStringLiteral("BIT_") + QLatin1String(column);
    d.texts.push_back({name + QStringLiteral("_PROMPT"), prompt, QRect(x, y, promptWidth, 21)});
    d.fields.push_back({QLatin1String(column), name, picture, QRect(x + promptWidth + 4, y, fieldWidth, 21)});
}

FormDecl makeBitumDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("BITUMUPDATE");
    d.file = &files::BITUMEN;
    // The action message goes to a text line of the form; the window keeps its own title.
    d.windowTitle = QStringLiteral("Свойства битумов");
    d.insertTitle = QStringLiteral("Введение");
    d.changeTitle = QStringLiteral("Изменение");
    d.actionLine = QRect(16, 8, 300, 18);
    d.savePrompt = true;

    addRow(d, 16, 32, 90, QStringLiteral("Номер "), "NUMBIT", "n5", 60);
    addRow(d, 16, 58, 90, QStringLiteral("Марка битума"), "MARBIT", "s15", 150);

    d.texts.push_back({QStringLiteral("PENETRATION"), QStringLiteral("Пенетрация, 0,1мм:"), QRect(16, 92, 200, 18)});
    addRow(d, 32, 114, 40, QStringLiteral("П25:"), "P25", "n-4.0", 50);
    addRow(d, 160, 114, 40, QStringLiteral("П0:"), "P0", "n-4.0", 50);

    d.texts.push_back({QStringLiteral("TEMPERATURE"), QStringLiteral("Температура, оС:"), QRect(16, 146, 200, 18)});
    addRow(d, 32, 168, 210, QStringLiteral("Размягчения по КиШ"), "TR", "n5.1", 60);
    addRow(d, 32, 194, 210, QStringLiteral("Хрупкости по Фраасу"), "TXR", "n-5.1", 60);

    d.texts.push_back({QStringLiteral("DUCTILITY"), QStringLiteral("Дуктильность, см:"), QRect(16, 226, 200, 18)});
    addRow(d, 32, 248, 40, QStringLiteral("D25:"), "D25", "n-4.0", 50);
    addRow(d, 160, 248, 40, QStringLiteral("D0:"), "D0", "n-4.0", 50);

    addRow(d, 16, 282, 226, QStringLiteral("Изменение КиШ после прогрева"), "PRTR", "n-4.0", 50);

    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(148, 322, 72, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(228, 322, 72, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(320, 362);
    return d;
}

} // namespace

BrowseDeclaration BROWSEBITDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROWSEBIT");
    d.title = QStringLiteral("Битумные вяжущие");
    d.file = &files::BITUMEN;
    d.fileName = QStringLiteral("BITUMEN");
    d.orders.push_back({QString(), QString(), DataFile::PhysicalOrder, {}, false});
    d.columns.push_back(BrowseColumn::number(QStringLiteral("№ п/п"), "n5", [] { return BIT.NUMBIT; }));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Марка"), "s15", BIT.MARBIT));
    const QString penetration = QStringLiteral("Пенетрация, мм/10"), temperature = QStringLiteral("Температура"),
                  ductility = QStringLiteral("Дуктильность, см");
    d.columns.push_back(decimalColumn(QStringLiteral("p25"), "n4.0", BIT.P25, penetration));
    d.columns.push_back(decimalColumn(QStringLiteral("p0"), "n4.0", BIT.P0, penetration));
    d.columns.push_back(decimalColumn(QStringLiteral("Tr"), "n5.1", BIT.TR, temperature));
    d.columns.push_back(decimalColumn(QStringLiteral("Txr"), "n-5.1", BIT.TXR, temperature));
    d.columns.push_back(decimalColumn(QStringLiteral("D25"), "n4.0", BIT.D25, ductility));
    d.columns.push_back(decimalColumn(QStringLiteral("D0"), "n4.0", BIT.D0, ductility));
    d.columns.push_back(decimalColumn(QStringLiteral("dTr,oC"), "n-4.0", BIT.PRTR));
    d.insert = BrowseButton{QStringLiteral("&Добавить"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    d.select = BrowseButton{QStringLiteral("&Выделить"), QStringLiteral("SELECT")};
    // The protocol runs in its own window; the list stays open and shows the file as it is now.
    d.extraButtons.push_back({QStringLiteral("Протокол"), QStringLiteral("PROTOCOL"), [](BrowseWindow &list) {
                                  startProcedure(QStringLiteral("PROTBIT"));
                                  list.refresh();
                              }});
    d.updateForm = BITUMUPDATE;
    return d;
}

BrowseWindow *BROWSEBIT() { return new BrowseWindow(BROWSEBITDeclaration()); }

const FormDecl &bitumUpdateDecl()
{
    static const FormDecl decl = makeBitumDecl();
    return decl;
}

FormWindow *BITUMUPDATE(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openForm(bitumUpdateDecl(), request, caller, std::move(done), std::move(host));
}
