#include "design/material_scatter.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"

#include <QRegularExpression>
#include <QSettings>

#include <limits>

namespace material_scatter {

std::vector<sieves::Grading> analysesOf(const QString &materialFile, const FixedString<20> &name)
{
    std::vector<sieves::Grading> list;
    FileUse use(files::ANALIZ);
    if (!use.ok() || materialFile.isEmpty())
        return list;
    const AnalizRecord kept = ANA;
    FixedString<8> file;
    if (file.set(materialFile) != StoreResult::Ok)
        return list;
    ANA = AnalizRecord();
    ANA.MATFILE = file;
    ANA.NAIMEN = name;
    ANA.DATE = std::numeric_limits<LONG>::max(); // the newest first: dates run downwards
    files::ANALIZ.setOrder(files::key::ANA_KEYMAT);
    files::ANALIZ.setToKeyValue();
    // The key compares names without letter case: names differing in case alone come mixed in.
    const QString upper = name.text().toUpper();
    while (files::ANALIZ.next() == FileError::None && ANA.MATFILE == file && ANA.NAIMEN.text().toUpper() == upper)
        if (ANA.NAIMEN == name)
            list.push_back(ANA.ZRN);
    ANA = kept;
    return list;
}

std::vector<reliability::Material> designMaterials()
{
    std::vector<reliability::Material> list;
    for (int k = 0; k < std::min<int>(glob::NKOMP, 6); ++k) {
        reliability::Material m;
        for (int i = 0; i < 11; ++i)
            m.grading[i] = glob::DIMKOMP[i][k];
        m.analyses = analysesOf(glob::componentFile[k], glob::DIMNAME[k]);
        list.push_back(std::move(m));
    }
    return list;
}

reliability::Settings settings()
{
    const QSettings s;
    reliability::Settings r;
    bool ok = false;
    const int draws = s.value(QStringLiteral("reliability/draws")).toInt(&ok);
    if (ok && draws >= 100)
        r.draws = draws;
    const qulonglong seed = s.value(QStringLiteral("reliability/seed")).toULongLong(&ok);
    if (ok)
        r.seed = seed;
    r.defaultSigma = reliability::standardSigma();
    const QStringList sigma = s.value(QStringLiteral("reliability/sigma")).toString().split(
        QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    if (sigma.size() == 11) {
        sieves::Grading given {};
        bool all = true;
        for (int i = 0; i < 11 && all; ++i) {
            given[i] = QString(sigma[i]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            all = ok && given[i] >= 0;
        }
        if (all)
            r.defaultSigma = given;
    }
    return r;
}

} // namespace material_scatter
