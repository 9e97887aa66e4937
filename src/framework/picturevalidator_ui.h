#pragma once
// A QValidator for an entry field with a display picture: lets through only what the picture
// can still accept while the user types (Picture::checkPartial).
#include "framework/picture.h"

#include <QValidator>

class PictureValidator : public QValidator {
    Q_OBJECT
public:
    PictureValidator(const Picture &picture, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
    const Picture &picture() const { return m_picture; }

private:
    Picture m_picture;
};
