#include "ui/form1.h"

namespace tarn {

void Form1::Graph() {}

}  // namespace tarn
