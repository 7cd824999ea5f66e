#include "ui/form1.h"

namespace tarn {

void Form1::Command1_Click() {}

}  // namespace tarn
