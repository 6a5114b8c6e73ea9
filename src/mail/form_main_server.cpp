#include "ui/form_main.h"

void TForm1::connect_server_page() {}
void TForm1::pop_checkClick() {}
void TForm1::smtp_checkClick() {}
void TForm1::Button1Click() {}
void TForm1::SpeedButton1Click() {}
void TForm1::SpeedButton2Click() {}
void TForm1::pop_passwordClick() {}
