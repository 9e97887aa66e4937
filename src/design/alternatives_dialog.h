#pragma once
// "Варианты" of the grading window: the best blends of the same search, to choose one from.
#include "design/blend.h"

#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

// The list's title and, when given, a label per row ("Лучшая по F", "Самая надёжная").
struct AlternativesView {
    QString title = QStringLiteral("Варианты подбора");
    QStringList rowLabels = {};
};

// Opens, window-modal over `over`, the list of `alternatives` with the components' shares, F,
// the deviation from the band, whether the blend lies inside the band, its reliability (when
// computed) and the cost of a tonne of the mineral part at `prices`; sortable by any column.
// Choosing a row (double click, Enter or "Выбрать") hands its shares to `chosen` and closes the list.
QDialog *openBlendAlternatives(QWidget *over, const std::vector<blend::Alternative> &alternatives, int n,
                               const std::array<QString, 6> &names, const blend::Shares &prices,
                               std::function<void(const blend::Shares &)> chosen, const AlternativesView &view = {});
