#ifndef CMANAGE_H
#define CMANAGE_H

#include <QString>
#include <QStringList>
#include <QWidget>

namespace Ui {
class cManage;
}

class HttpServices;

// The main window: six pages, one per group of printer operations. Slot
// bodies of the operations live beside their rules in ops/ and whitelist/.
class cManage : public QWidget
{
    Q_OBJECT

public:
    explicit cManage(QWidget *parent = nullptr);
    ~cManage() override;

public slots:
    void onOkClicked();
    void onSearchClicked();
    void onSyncTimeClicked();
    void onFirmwareFlushClicked();
    void onSelectFirmwareClicked();
    void onFirmwareUpdateClicked();
    void onAddWhiteListCLicked();
    void onUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onSetIPcallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onGetCountCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onSyncTimeCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onFirmwareFlushCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onFirmwareUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onUpdateWhiteListCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onClearCallback(int status_code, int user_type, QString strReply, QString sjobId);

private slots:
    void on_loadip_clicked();
    void on_whiteListRemoveButton_clicked();
    void on_clearButton_clicked();
    void on_tabWidget_currentChanged(int index);

private:
    void setFirmwareButtonsEnabled(bool enabled);

    Ui::cManage *ui;
    QString strAddIP;
    QString strRemoveIPs;
};

#endif // CMANAGE_H
