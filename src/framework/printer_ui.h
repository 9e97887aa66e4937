#pragma once
// The one printer of the program: the frame's printer set-up changes it, and every printed
// document goes to it.
class QPrinter;

QPrinter &sharedPrinter();
