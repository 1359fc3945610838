#include "form3.h"

TForm3::TForm3(QWidget* parent) : TMainView(parent) { setObjectName(QStringLiteral("Form3")); }
