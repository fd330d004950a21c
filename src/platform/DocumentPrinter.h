#pragma once

class QPrinter;
class QTextDocument;

namespace tarnwick::platform {

// Sets the printer's paper size, orientation and margins to what the document's file says, so
// that the print dialog starts from them; a document without page setup leaves the printer as
// it is.
void applyDocumentPageLayout(const QTextDocument& document, QPrinter* printer);

// Prints the document on the printer's page layout with the page furniture its file carries:
// the header and footer of each page (first, left and right variants), footnotes at the foot of
// the page their mark is on and endnotes after the text; PAGE, NUMPAGES and SECTIONPAGES fields
// and \chpgn show the numbers of the page they print on, in the furniture and in the body.
void printDocument(const QTextDocument& document, QPrinter* printer);

} // namespace tarnwick::platform
