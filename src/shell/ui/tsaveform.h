#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace Tarvo::Shell {

// Base of the windows that remember their place: restored from "forms.ini"
// when first shown, saved when closed or destroyed. Both steps swallow errors.
class TSaveForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSaveForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~TSaveForm() override;

    // The "forms.ini" key: the class name without its namespace.
    QString placementKey() const;
    void restorePlacement();
    void savePlacement();
    // The size of a document window of the main frame without a saved place (within the frame).
    static constexpr QSize DefaultDocumentSize{800, 500};

    // A window with a fixed size only gets its position back.
    void setSizeable(bool sizeable) { m_sizeable = sizeable; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The widget whose place is kept: the MDI frame when hosted in one.
    QWidget* placementTarget();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Qt keeps the normal rectangle only for top-level windows; an MDI frame's is tracked here.
    void trackFrame();
    void applyDefaultSize(QWidget* target);
    QRect normalRect();

    QPointer<QWidget> m_frame;
    QRect m_normal;
    bool m_sizeable = true;
    bool m_restored = false;
};

} // namespace Tarvo::Shell
