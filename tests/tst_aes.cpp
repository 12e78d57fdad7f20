#include "net/httpservices.h"

#include <QtTest>

#include <openssl/evp.h>

// The payload cipher checked against OpenSSL's AES-256-ECB with PKCS #7.
class TestAes : public QObject
{
    Q_OBJECT

private slots:
    void matchesOpenSsl();
    void chineseTextBecomesQuestionMarks();
    void keyIsCutAndPadded();
    void identicalBlocksAndRepeatability();
    void emptyInputs();

private:
    static QByteArray openssl(const QByteArray &plain, const QByteArray &key)
    {
        QByteArray k(32, ' ');
        for (int i = 0; i < qMin(32, key.size()); ++i)
            k[i] = key[i];
        QByteArray out(plain.size() + 32, '\0');
        int len = 0, tail = 0;
        EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, reinterpret_cast<const unsigned char *>(k.constData()),
                           nullptr);
        EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char *>(out.data()), &len,
                          reinterpret_cast<const unsigned char *>(plain.constData()), plain.size());
        EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char *>(out.data()) + len, &tail);
        EVP_CIPHER_CTX_free(ctx);
        out.resize(len + tail);
        return out;
    }
    HttpServices m_service;
};

void TestAes::matchesOpenSsl()
{
    for (int length = 1; length <= 48; ++length) {
        QString plain;
        for (int i = 0; i < length; ++i)
            plain += QChar('a' + (i * 7 + length) % 26);
        const QByteArray ours = m_service.aesEncrypt(plain, "pelrok");
        QCOMPARE(ours.size(), 16 * (length / 16 + 1));
        QCOMPARE(ours, openssl(plain.toLatin1(), "pelrok"));
    }
    // Bytes past ASCII go through Latin-1, one byte each.
    const QString latin = QString::fromUtf8("caf\xc3\xa9 \xc3\xbc");
    QCOMPARE(m_service.aesEncrypt(latin, "k"), openssl(latin.toLatin1(), "k"));
    // Large documents go through the bulk path: still the same bytes.
    for (int length : {1 << 20, (1 << 20) + 5, 3 * 65536 - 16}) {
        QByteArray plain(length, 'x');
        for (int i = 0; i < length; i += 97)
            plain[i] = char('a' + i % 26);
        QCOMPARE(m_service.aesEncrypt(QString::fromLatin1(plain), "pelrok"), openssl(plain, "pelrok"));
    }
}

void TestAes::chineseTextBecomesQuestionMarks()
{
    const QString text = QStringLiteral("打印机 10.0.0.1");
    QCOMPARE(m_service.aesEncrypt(text, "pelrok"), openssl("??? 10.0.0.1", "pelrok"));
}

void TestAes::keyIsCutAndPadded()
{
    const QString longKey = QString(32, 'K') + "tail";
    QCOMPARE(m_service.aesEncrypt("hello", longKey), m_service.aesEncrypt("hello", QString(32, 'K') + "other"));
    QCOMPARE(m_service.aesEncrypt("hello", longKey), openssl("hello", QByteArray(32, 'K')));
    QCOMPARE(m_service.aesEncrypt("hello", "pelrok"), m_service.aesEncrypt("hello", "pelrok" + QString(26, ' ')));
    const std::string raw = HttpServices::aesEncryptBytes("hello", "pelrok", 32);
    QCOMPARE(QByteArray(raw.data(), int(raw.size())), openssl("hello", "pelrok"));
}

void TestAes::identicalBlocksAndRepeatability()
{
    const QString block = "0123456789abcdef";
    const QByteArray c = m_service.aesEncrypt(block + block, "pelrok");
    QCOMPARE(c.size(), 48);
    QCOMPARE(c.mid(0, 16), c.mid(16, 16));
    QCOMPARE(m_service.aesEncrypt(block, "pelrok"), m_service.aesEncrypt(block, "pelrok"));
}

void TestAes::emptyInputs()
{
    QVERIFY(m_service.aesEncrypt(QString(), "pelrok").isNull());
    QVERIFY(m_service.aesEncrypt("", "pelrok").isNull());
    QVERIFY(m_service.aesEncrypt("text", "").isNull());
}

QTEST_GUILESS_MAIN(TestAes)
#include "tst_aes.moc"
