#include "ui/form_main.h"

void TForm1::connect_send() {}
void TForm1::cmdSendClick() {}
