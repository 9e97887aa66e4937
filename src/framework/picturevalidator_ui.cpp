#include "framework/picturevalidator_ui.h"

PictureValidator::PictureValidator(const Picture &picture, QObject *parent) : QValidator(parent), m_picture(picture) {}

QValidator::State PictureValidator::validate(QString &input, int &) const
{
    switch (m_picture.checkPartial(input)) {
    case PartialState::Acceptable: return Acceptable;
    case PartialState::Intermediate: return Intermediate;
    case PartialState::Invalid: break;
    }
    return Invalid;
}
