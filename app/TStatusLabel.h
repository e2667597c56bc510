#pragma once

#include <QLabel>

class QTextLayout;

// A label of plain text that breaks its lines at spaces where it can and
// inside a word where one word alone is wider than the label, as a long file
// name is; it asks for the height its lines take at the width it gets.
class TStatusLabel : public QLabel {
    Q_OBJECT

public:
    explicit TStatusLabel(QWidget* parent = nullptr);

    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Lays the text out in a layout made in the label's font, in lines of at
    // most width; returns their height.
    int LayOut(QTextLayout& layout, int width) const;
};
