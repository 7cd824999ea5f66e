#include "ui/form1.h"

namespace tarn {

void Form1::Button1_Click() {}
void Form1::Command29_Click() {}
void Form1::Command6_Click() {}

}  // namespace tarn
