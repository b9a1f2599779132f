// The summary of a completed build: points, triangles, time taken and speed,
// in read-only fields. The build waits until the user closes it and then
// records the same figures in TIN.inf.
#pragma once

#include <QDialog>
#include <QString>

class QShowEvent;

namespace quarvelin {

class MesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit MesDlg(QWidget* parent = nullptr);

  // OK reads the fields back into the members, as Escape does not; the
  // fields are read-only, so either way the members keep their values.
  void accept() override;

  int m_totalPoints = 0;
  int m_triangleCount = 0;
  QString m_buildTime;
  QString m_buildSpeed;

 protected:
  // The members go into the fields when the dialog opens.
  void showEvent(QShowEvent* event) override;

 private:
  void DoDataExchange(bool saveAndValidate);
};

}  // namespace quarvelin
