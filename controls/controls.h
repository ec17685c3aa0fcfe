// The kinds of control the game's windows are made of, with the events the game handles:
// a label with a caption that can size itself to its text, a one-line text box whose
// typed characters pass a key-press handler first, and a picture.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <functional>

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);

    // An auto-size label follows its text; any other keeps its box and clips.
    void setAutoSize(bool autoSize);
    bool autoSize() const { return autoSize_; }

    QString caption() const { return text(); }
    void setCaption(const QString& caption);

    // Does what a click with the mouse does.
    void click() { emit clicked(); }

signals:
    void clicked();  // pressed and released on the label; a double-click is one click
    void mouseMoved();
    void captionChanged();  // only when the text really changes

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool autoSize_ = false;
    bool pressed_ = false;
};

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    // Receives the character code of each typed character; setting it to 0 refuses it.
    using KeyPressHandler = std::function<void(int& keyAscii)>;

    explicit TextBox(QWidget* parent = nullptr);

    void setKeyPressHandler(KeyPressHandler handler) { keyPress_ = std::move(handler); }

    // The most characters typing may leave in the box. Unlike a plain maximum length it
    // never cuts a longer text that the program puts in: that is shown whole, and typing
    // is refused until the text is back within the limit.
    void setTypingLimit(int limit);
    void setWholeText(const QString& text);
    // Lets Escape through to the window (a dialog closes on it) instead of the handler.
    void setEscapeClosesWindow(bool on) { escapeClosesWindow_ = on; }

    // The character code a key event types, or -1 for keys that type nothing
    // (arrows, Delete, Home, modifiers). Ctrl with a letter types its control code.
    static int typedCharacter(const QKeyEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool passes(int keyAscii);
    void limitLength(int length);

    KeyPressHandler keyPress_;
    bool escapeClosesWindow_ = false;
    int typingLimit_ = 0;
};

// A picture from the bundled artwork, shown at its natural size from the top-left corner.
// The label holds the 1x version, which gives it its size; painting uses the version drawn
// for the scale nearest to the screen's, so it stays sharp, also after the window has
// moved to a screen of another scale.
class Picture : public QLabel {
    Q_OBJECT
public:
    explicit Picture(const QString& artworkName, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString artworkName_;
};
