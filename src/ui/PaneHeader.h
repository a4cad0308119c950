// The bar above a pane of a text comparison: the file's full path (elided in
// the middle, so that two files of one name are told apart), whether the
// side is read-only or modified, its encoding and its line endings.
#pragma once

#include <QLabel>
#include <QWidget>

namespace corvatine::ui {

class CPaneHeader : public QWidget {
    Q_OBJECT

public:
    explicit CPaneHeader(QWidget* parent = nullptr);

    // path: empty for a side that is no file; modified: unsaved edits;
    // distinct: the folder of the path that tells it from the other side's
    // (kept in view when the path is elided), or empty.
    void SetSide(const QString& path, bool readOnly, bool modified, const QString& encoding,
                 const QString& lineEndings, const QString& distinct = QString());
    // The folder of path that differs from other's, when the two end in the
    // same file name; else empty.
    static QString DistinctFolder(const QString& path, const QString& other);
    QString Path() const { return m_path; }
    // What the bar shows after the path.
    QString Details() const { return m_details->text(); }
    QString ShownPath() const { return m_label->text(); }

signals:
    // The encoding was clicked: the side may be read again in another.
    void encodingClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString m_path;
    QString m_distinct;
    QLabel* m_label;
    QLabel* m_details;
};

}  // namespace corvatine::ui
