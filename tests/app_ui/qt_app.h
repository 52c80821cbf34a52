// One QApplication for the Qt tests of this program, made before the first test.
#pragma once

class QApplication;

namespace zh::test {
QApplication& TestApp();
// Clicks the button with `text` in the next modal box or dialog that opens.
void AnswerNextModal(const char* buttonText);
}  // namespace zh::test
