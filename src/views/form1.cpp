#include "form1.h"

TForm1::TForm1(QWidget* parent) : TMainView(parent) { setObjectName(QStringLiteral("Form1")); }
