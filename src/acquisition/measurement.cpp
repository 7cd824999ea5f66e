#include "ui/form1.h"

namespace tarn {

void Form1::SendB2_Click() {}
void Form1::MSComm1_OnComm() {}

}  // namespace tarn
