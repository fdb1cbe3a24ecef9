#pragma once

class QWidget;
class TDM;
class TFormSelectPhone;

// The dial command: with a contact grid focused on a phone column whose cell holds a number, that
// number is dialed at once; in every other case, and when anything fails while looking, the number
// picker opens modally.
void acRingExecute(QWidget* focused, TDM& dm, TFormSelectPhone& picker);
